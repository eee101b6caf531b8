#include "dbtools/frmtrans.h"

#include "dbtools/frmcompactdb.h"
#include "dbtools/frmexportdbtextfile.h"
#include "dbtools/frmimportfromtext.h"
#include "kb/frmmain.h"
#include "platform/base/apperror.h"
#include "platform/db/dbdatabase.h"
#include "platform/db/dbengine.h"
#include "platform/db/dberrors.h"
#include "platform/db/dbsql.h"
#include "platform/prompt/fixeddialog.h"
#include "platform/prompt/prompter.h"
#include "winsvc/flatcontrols.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>

namespace {

QString prompt(const QString &text, int icon, const QString &title)
{
    return Prompter::instance().messageBox(text, icon, 4, title);
}

} // namespace

FrmTrans::FrmTrans(QWidget *parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Transfer Record"));
    FixedDialog::apply(this);
    auto *grid = new QGridLayout(this);
    grid->addWidget(new QLabel(QStringLiteral("Transfer Record:")), 0, 0);
    LblQuestion = new QLabel;
    LblQuestion->setWordWrap(true);
    LblQuestion->setTextFormat(Qt::PlainText);
    grid->addWidget(LblQuestion, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("From Currently In Topic:")), 1, 0);
    LblTopic = new QLabel;
    LblTopic->setTextFormat(Qt::PlainText);
    grid->addWidget(LblTopic, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("To Topic:")), 2, 0);
    Combo = new QComboBox;
    grid->addWidget(Combo, 2, 1);
    auto *buttons = new QHBoxLayout;
    CmdTrans = new QPushButton(QStringLiteral("&Transfer"));
    CmdCancel = new QPushButton(QStringLiteral("&Cancel"));
    buttons->addStretch();
    buttons->addWidget(CmdTrans);
    buttons->addWidget(CmdCancel);
    grid->addLayout(buttons, 3, 0, 1, 2);
    // A fixed dialog: the window manager then offers no resizing (and draws no grip for it).
    grid->setSizeConstraint(QLayout::SetFixedSize);
    connect(CmdTrans, &QPushButton::clicked, this, [this] { CmdTrans_Click(); });
    connect(CmdCancel, &QPushButton::clicked, this, [this] { CmdCancel_Click(); });
    flatControls.attach({Combo});
}

void FrmTrans::Form_Load(const QString &currentTopic, const QStringList &topics)
{
    LblQuestion->setText(QuestionText);
    LblTopic->setText(currentTopic);
    Combo->clear();
    for (const QString &topic : topics)
        if (topic != currentTopic)
            Combo->addItem(topic);
    Combo->setCurrentIndex(-1);
}

bool FrmTrans::CmdTrans_Click()
{
    const QString target = Combo->currentText();
    qint64 copy = -1;
    try {
        if (target.isEmpty())
            db::raise(db::ErrItemNotFound);
        copy = copyRecord(target);
    } catch (const AppException &error) {
        if (error.number() == db::ErrDuplicateKey) {
            prompt(QStringLiteral("Found Duplicate Record, Transfer Canceled"), 105,
                   QStringLiteral("FAILED"));
        } else {
            prompt(QStringLiteral("Unexpected Error: ") + error.description() +
                       QStringLiteral("\r\nTransfer Canceled"),
                   103, QStringLiteral("ERROR"));
        }
        return false;
    }
    // Only a stored copy lets the source go.
    if (afterCopy)
        afterCopy();
    // The source could not go: take the copy back, so the record stays in one topic only.
    bool kept = false;
    try {
        kept = afterCopy && sourceStillStored();
        if (kept) {
            auto database = db::DBEngine::OpenDatabase(DatabaseName);
            database->Execute(
                QStringLiteral("DELETE FROM %1 WHERE rowid = ?").arg(db::quoteIdent(target)),
                {copy});
            database->Close();
        }
    } catch (const AppException &error) {
        prompt(QStringLiteral("Unexpected Error: ") + error.description(), 103,
               QStringLiteral("ERROR"));
    }
    if (kept) {
        prompt(QStringLiteral("Transfer Canceled"), 105, QStringLiteral("FAILED"));
        return false;
    }
    prompt(QStringLiteral("Transfer Succeed!"), 104, QStringLiteral("SUCCEED"));
    accept();
    return true;
}

void FrmTrans::CmdCancel_Click()
{
    reject();
}

bool FrmTrans::sourceStillStored() const
{
    auto database = db::DBEngine::OpenDatabase(DatabaseName);
    return db::scalar(database->handle(),
                      QStringLiteral("SELECT COUNT(*) FROM %1 WHERE rowid = ?")
                          .arg(db::quoteIdent(SourceTopic)),
                      {SourceKey})
               .toLongLong() > 0;
}

qint64 FrmTrans::copyRecord(const QString &target)
{
    auto database = db::DBEngine::OpenDatabase(DatabaseName);
    if (!database->hasTable(target) || target.compare(SourceTopic, Qt::CaseInsensitive) == 0)
        db::raise(db::ErrInputTableNotFound, target);
    if (SourceKey < 0)
        db::raise(db::ErrNoCurrentRecord);

    // The stored row, rich text and attachments included: the shown text would lose them.
    QStringList columns;
    QVariantList values;
    {
        db::Statement read(database->handle(), QStringLiteral("SELECT * FROM ") +
                                                   db::quoteIdent(SourceTopic) +
                                                   QStringLiteral(" WHERE rowid = ?"));
        read.bind(1, SourceKey);
        if (!read.step())
            db::raise(db::ErrNoCurrentRecord);
        for (int i = 0; i < read.columnCount(); ++i) {
            columns.append(read.columnName(i));
            values.append(read.value(i));
        }
    }
    const qsizetype questionAt = columns.indexOf(QStringLiteral("Question"), 0);
    const QVariant question = questionAt >= 0 ? values.at(questionAt) : QVariant(QuestionText);
    // Topics compare questions without case, as the user reads them.
    const qint64 duplicates =
        db::scalar(database->handle(),
                   QStringLiteral("SELECT COUNT(*) FROM ") + db::quoteIdent(target) +
                       QStringLiteral(" WHERE Question = ? COLLATE NOCASE"),
                   {question})
            .toLongLong();
    if (duplicates > 0)
        db::raise(db::ErrDuplicateKey);

    QStringList targetFields;
    for (const db::Field &field : database->fields(target))
        targetFields.append(field.name.toLower());
    QStringList names;
    QVariantList copied;
    for (qsizetype i = 0; i < columns.size(); ++i) {
        const QString &name = columns.at(i);
        if (name.compare(QStringLiteral("ID"), Qt::CaseInsensitive) == 0)
            continue;
        if (!targetFields.contains(name.toLower())) {
            // Moving would drop this value with the deleted source.
            if (!values.at(i).isNull())
                throw AppException(db::ErrObjectNotFound,
                                   QStringLiteral("The topic %1 has no field %2 to hold this "
                                                  "record's data.")
                                       .arg(target, name));
            continue;
        }
        names.append(db::quoteIdent(name));
        copied.append(values.at(i));
    }
    QStringList marks;
    for (qsizetype i = 0; i < names.size(); ++i)
        marks.append(QStringLiteral("?"));
    database->Execute(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                          .arg(db::quoteIdent(target), names.join(QLatin1Char(',')),
                               marks.join(QLatin1Char(','))),
                      copied);
    const qint64 copy =
        db::scalar(database->handle(), QStringLiteral("SELECT last_insert_rowid()")).toLongLong();
    database->Close();
    return copy;
}

void FrmTrans::showFor(FrmMain *main)
{
    RecordWindowLink *record = main->activeRecordWindow();
    if (!record || record->isSearchMode())
        return;
    // A record being edited cannot be moved: its delete would fail after the copy.
    if (record->hasPendingChange()) {
        prompt(QStringLiteral("Please save or cancel the changes of this record before "
                              "transferring it."),
               105, QStringLiteral("TRANSFER"));
        return;
    }
    FrmTrans window(main);
    window.DatabaseName = FrmExportDBTextFile::activeDatabaseName(main);
    window.SourceTopic = record->currentTopic();
    window.SourceKey = record->currentRecordKey();
    const auto texts =
        FrmExportDBTextFile::storedTexts(window.DatabaseName, window.SourceTopic, window.SourceKey);
    window.QuestionText = texts.first;
    window.AnswerText = texts.second;
    QStringList topics;
    for (int i = 0; i < main->ComboTable->count(); ++i)
        topics.append(main->ComboTable->itemText(i));
    window.afterCopy = [main] { main->AfterTransferRecord(); };
    window.Form_Load(main->ComboTable->currentText(), topics);
    runDbMaintenanceModal(&window);
}

namespace {

DbMaintenanceModalRunner &modalRunner()
{
    static DbMaintenanceModalRunner runner;
    return runner;
}

} // namespace

void setDbMaintenanceModalRunner(DbMaintenanceModalRunner runner)
{
    modalRunner() = std::move(runner);
}

void runDbMaintenanceModal(QDialog *window)
{
    if (modalRunner())
        modalRunner()(window);
    else
        window->exec();
}

void openDbMaintenanceWindow(FrmMain *main, const QString &window)
{
    if (window == QLatin1String("FrmTrans"))
        FrmTrans::showFor(main);
    else if (window == QLatin1String("FrmCompactDB"))
        FrmCompactDB::showFor(main);
    else if (window == QLatin1String("FrmExportDBTextFile"))
        FrmExportDBTextFile::showFor(main);
    else if (window == QLatin1String("FrmImportFromText"))
        FrmImportFromText::showFor(main);
}
