#include "dbtools/frmexportdbtextfile.h"

#include "dbtools/dirlistbox.h"
#include "dbtools/frmtrans.h"
#include "kb/frmmain.h"
#include "platform/base/apperror.h"
#include "platform/base/checkedwrite.h"
#include "platform/db/dbdatabase.h"
#include "platform/db/dbdatacontrol.h"
#include "platform/db/dbengine.h"
#include "platform/db/dberrors.h"
#include "platform/db/dbsql.h"
#include "platform/prompt/fixeddialog.h"
#include "platform/prompt/prompter.h"
#include "platform/richtext/richtextbox.h"
#include "platform/richtext/rtfreader.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStorageInfo>
#include <QTextDocument>
#include <QTimer>
#include <QVBoxLayout>

namespace {

// VB's "Path/File access error", the number a failed file write reports.
constexpr int ErrPathFileAccess = 75;

void showError(int number, const QString &description)
{
    Prompter::instance().messageBox(QString::number(number) + QStringLiteral("\r\n") + description,
                                    103, 4, QStringLiteral("ERROR"));
}

void writeFile(const QString &path, const QByteArray &content)
{
    // Replaced whole: a failed write leaves the old file as it was.
    QString error;
    if (!writeWholeFile(path, content, &error))
        throw AppException(ErrPathFileAccess, path + QStringLiteral(": ") + error);
}

QString recordFile(const QString &folder, int n)
{
    return QDir(folder).filePath(QStringLiteral("record %1.txt").arg(n));
}

} // namespace

FrmExportDBTextFile::FrmExportDBTextFile(QWidget *parent) : QDialog(parent)
{
    FixedDialog::apply(this);
    auto *layout = new QVBoxLayout(this);
    Frame1 = new QGroupBox(QStringLiteral("Please choose the way your prefer:"));
    auto *page1 = new QVBoxLayout(Frame1);
    Opt[0] = new QRadioButton(QStringLiteral("Convert all the records of current topic:"));
    Opt[1] = new QRadioButton(QStringLiteral("Only convert current record."));
    page1->addWidget(Opt[0]);
    page1->addWidget(Opt[1]);
    Opt[0]->setChecked(true);
    layout->addWidget(Frame1);

    Frame2 = new QGroupBox(QStringLiteral("Select the directory you want the database export to:"));
    auto *page2 = new QVBoxLayout(Frame2);
    auto *driveRow = new QHBoxLayout;
    driveRow->addWidget(new QLabel(QStringLiteral("Driver:")));
    Drive1 = new QComboBox;
    for (const QStorageInfo &volume : QStorageInfo::mountedVolumes())
        Drive1->addItem(volume.rootPath());
    Drive1->setCurrentIndex(-1);
    driveRow->addWidget(Drive1, 1);
    page2->addLayout(driveRow);
    auto *dirRow = new QHBoxLayout;
    dirRow->addWidget(new QLabel(QStringLiteral("Directory:")));
    dirRow->addStretch();
    CmdBrowse = new QPushButton(QStringLiteral("Browse..."));
    dirRow->addWidget(CmdBrowse);
    page2->addLayout(dirRow);
    Dir1 = new DirListBox;
    Dir1->setMinimumHeight(140);
    Dir1->setPath(QDir::currentPath());
    Drive1->setCurrentIndex(Drive1->findText(QStorageInfo(Dir1->path()).rootPath()));
    page2->addWidget(Dir1);
    page2->addWidget(
        new QLabel(QStringLiteral("The records going to be exported to the directory as:")));
    TxtFullPath = new QLineEdit;
    page2->addWidget(TxtFullPath);
    layout->addWidget(Frame2);

    PBConv = new QProgressBar;
    PBConv->setVisible(false);
    layout->addWidget(PBConv);
    auto *buttons = new QHBoxLayout;
    CmdPrevious = new QPushButton(QStringLiteral("<<"));
    CmdConv = new QPushButton(QStringLiteral(">>"));
    CmdCancel = new QPushButton(QStringLiteral("&Cancel"));
    buttons->addStretch();
    buttons->addWidget(CmdPrevious);
    buttons->addWidget(CmdConv);
    buttons->addWidget(CmdCancel);
    layout->addLayout(buttons);
    // A fixed dialog: the window manager then offers no resizing (and draws no grip for it).
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(Drive1, &QComboBox::activated, this, [this] { Drive1_Change(); });
    connect(Dir1, &DirListBox::changed, this, [this] { Dir1_Click(); });
    connect(Dir1, &DirListBox::clicked, this, [this] { Dir1_Click(); });
    connect(CmdBrowse, &QPushButton::clicked, this, [this] { CmdBrowse_Click(); });
    connect(CmdPrevious, &QPushButton::clicked, this, [this] { CmdPrevious_Click(); });
    connect(CmdConv, &QPushButton::clicked, this, [this] { CmdConv_Click(); });
    connect(CmdCancel, &QPushButton::clicked, this, [this] { CmdCancel_Click(); });
    showPage(1);
    CmdPrevious->setVisible(false);
    flatControls.attach({TxtFullPath, Drive1});
}

void FrmExportDBTextFile::showPage(int page)
{
    Frame1->setVisible(page == 1);
    Frame2->setVisible(page == 2);
}

void FrmExportDBTextFile::Drive1_Change()
{
    const QString root = Drive1->currentText();
    const QStorageInfo volume(root);
    // The folder list keeps its folder when the drive cannot be read.
    if (!volume.isValid() || !volume.isReady() || !Dir1->setPath(volume.rootPath())) {
        Prompter::instance().messageBox(QStringLiteral("Driver") + root +
                                            QStringLiteral(" is not available now, please insert "
                                                           "disk there!"),
                                        105, 4, QStringLiteral("FAILED"));
    }
}

void FrmExportDBTextFile::Dir1_Click()
{
    TxtFullPath->setText(QDir::toNativeSeparators(Dir1->path()));
}

void FrmExportDBTextFile::CmdBrowse_Click()
{
    const auto folder = Prompter::instance().folderName(QStringLiteral("Directory:"),
                                                        TxtFullPath->text().trimmed());
    // The folder list moves there, and the path box follows it.
    if (folder && Dir1->setPath(*folder))
        Dir1_Click();
}

void FrmExportDBTextFile::CmdPrevious_Click()
{
    if (m_exporting)
        return;
    showPage(1);
    CmdPrevious->setVisible(false);
    CmdConv->setText(QStringLiteral(">>"));
}

void FrmExportDBTextFile::CmdConv_Click()
{
    if (m_exporting)
        return;
    if (CmdConv->text() == QLatin1String(">>")) {
        CmdPrevious->setVisible(true);
        CmdConv->setText(QStringLiteral("Convert"));
        showPage(2);
        return;
    }
    const QString folder = TxtFullPath->text().trimmed();
    if (folder.isEmpty()) {
        Prompter::instance().messageBox(
            QStringLiteral("You must choose the directory that the database will export to!"), 103,
            4, QStringLiteral("CHOOSE DIRECTORY"));
        TxtFullPath->setFocus();
        return;
    }
    if (!QFileInfo(folder).isDir()) {
        const QString answer = Prompter::instance().messageBox(
            QStringLiteral("Folder ") + folder +
                QStringLiteral(" does not exist, do you want to create it?"),
            106, 1, QStringLiteral("CREATE?"));
        if (answer != QLatin1String("Yes"))
            return;
        if (!QDir().mkdir(folder)) {
            showError(ErrPathFileAccess,
                      QStringLiteral("Folder ") + folder + QStringLiteral(" cannot be created."));
            TxtFullPath->setFocus();
            return;
        }
    }
    if (Opt[0]->isChecked())
        ExportTopic(folder);
    else
        ExportCurrentRecord(folder);
}

void FrmExportDBTextFile::ExportTopic(const QString &folder)
{
    // The files are named "record 1.txt" and on: the question names them so.
    const QString answer = Prompter::instance().messageBox(
        QStringLiteral("All the file under this directory will be overwrite if they hav the same "
                       "next as the exported file name\r\nThe database will be name as record "
                       "1.txt, record 2.txt, and so on. Do you wish to continue?"),
        102, 1, QStringLiteral("ARE YOU SURE?"));
    if (answer != QLatin1String("Yes"))
        return;
    QList<Row> rows;
    try {
        auto database = db::DBEngine::OpenDatabase(DatabaseName, false, true);
        if (!database->hasTable(TopicName))
            db::raise(db::ErrInputTableNotFound, TopicName);
        db::Statement read(database->handle(), QStringLiteral("SELECT Question, Answer FROM ") +
                                                   db::quoteIdent(TopicName) +
                                                   QStringLiteral(" ORDER BY rowid"));
        while (read.step())
            rows.append({read.value(0), read.value(1)});
        database->Close();
    } catch (const AppException &error) {
        showError(error.number(), error.description());
        return;
    }
    m_rows = rows;
    m_folder = folder;
    m_written = 0;
    m_exporting = true;
    CmdConv->setEnabled(false);
    CmdPrevious->setEnabled(false);
    PBConv->setMaximum(std::max<int>(1, int(rows.size())));
    PBConv->setValue(0);
    PBConv->setVisible(!rows.isEmpty());
    writeNext();
}

void FrmExportDBTextFile::writeNext()
{
    if (m_written >= m_rows.size()) {
        endExport(true);
        return;
    }
    const Row &row = m_rows.at(m_written);
    try {
        // As stored: a rich-text answer keeps its markup.
        writeFile(recordFile(m_folder, m_written + 1),
                  fileContent(fileText(row.question), fileText(row.answer)));
    } catch (const AppException &error) {
        showError(error.number(), error.description());
        endExport(false);
        return;
    }
    ++m_written;
    PBConv->setValue(m_written);
    // One file per turn of the event loop keeps the window responsive.
    QTimer::singleShot(0, this, [this] { writeNext(); });
}

void FrmExportDBTextFile::endExport(bool ok)
{
    m_exporting = false;
    m_rows.clear();
    PBConv->setVisible(false);
    CmdConv->setEnabled(true);
    CmdPrevious->setEnabled(true);
    if (ok)
        Prompter::instance().messageBox(QStringLiteral("Exporting finished succeesfully!"), 104, 4,
                                        QStringLiteral("SUCCEED"));
    emit exportFinished(ok);
    if (ok)
        accept();
}

void FrmExportDBTextFile::ExportCurrentRecord(const QString &folder)
{
    const QDir dir(folder);
    QString path = dir.filePath(QStringLiteral("Exported.txt"));
    if (QFileInfo::exists(path)) {
        const QString answer = Prompter::instance().messageBox(
            QStringLiteral("There is a file already existed, Do you want to overwrite the "
                           "existed file with the new one."),
            101, 1, QStringLiteral("MAKE SURE!"));
        if (answer != QLatin1String("Yes")) {
            // Declining one overwrite must not overwrite another file instead.
            int n = 1;
            while (QFileInfo::exists(dir.filePath(QStringLiteral("Export%1.txt").arg(n))))
                ++n;
            path = dir.filePath(QStringLiteral("Export%1.txt").arg(n));
        }
    }
    try {
        writeFile(path, fileContent(fileText(QuestionText), fileText(AnswerText)));
    } catch (const AppException &error) {
        showError(error.number(), error.description());
        emit exportFinished(false);
        return;
    }
    Prompter::instance().messageBox(QStringLiteral("Exporting finished succeesfully!"), 104, 4,
                                    QStringLiteral("SUCCEED"));
    emit exportFinished(true);
    accept();
}

void FrmExportDBTextFile::CmdCancel_Click()
{
    if (m_exporting)
        return;
    reject();
}

// Escape ends a dialog through here: never while files are still being worked through, or
// the window would go with the run half done.
void FrmExportDBTextFile::reject()
{
    if (m_exporting)
        return;
    QDialog::reject();
}

void FrmExportDBTextFile::closeEvent(QCloseEvent *event)
{
    if (m_exporting) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

QString FrmExportDBTextFile::plainText(const QVariant &stored)
{
    if (stored.isNull())
        return QString();
    QString text = stored.toString();
    if (RtfReader::isRtf(QStringView(text))) {
        QTextDocument document;
        RtfReader::read(text, &document);
        text = document.toPlainText();
    }
    return fileText(text);
}

QString FrmExportDBTextFile::fileText(const QVariant &stored)
{
    const QString text = stored.toString();
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('\r')) {
            if (i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n'))
                ++i;
            out += QStringLiteral("\r\n");
        } else if (c == QLatin1Char('\n') || c == QChar::ParagraphSeparator ||
                   c == QChar::LineSeparator) {
            out += QStringLiteral("\r\n");
        } else if (c == QLatin1Char('\t') || (c.category() != QChar::Other_Control &&
                                              c != QChar::ObjectReplacementCharacter)) {
            out += c;
        }
    }
    return out;
}

QByteArray FrmExportDBTextFile::fileContent(const QString &question, const QString &answer)
{
    return (question + QStringLiteral("\r\n\r\n") + answer + QStringLiteral("\r\n")).toUtf8();
}

QString FrmExportDBTextFile::activeDatabaseName(FrmMain *main)
{
    QMdiSubWindow *window = main->mdiArea()->currentSubWindow();
    if (!window || !window->widget())
        return QString();
    const auto *control = window->widget()->findChild<db::DataControl *>();
    return control ? control->DatabaseName() : QString();
}

QPair<QString, QString> FrmExportDBTextFile::storedTexts(const QString &database,
                                                         const QString &topic, qint64 key)
{
    try {
        auto connection = db::DBEngine::OpenDatabase(database, false, true);
        db::Statement read(connection->handle(), QStringLiteral("SELECT Question, Answer FROM ") +
                                                     db::quoteIdent(topic) +
                                                     QStringLiteral(" WHERE rowid = ?"));
        read.bind(1, key);
        if (read.step())
            return {plainText(read.value(0)), plainText(read.value(1))};
    } catch (const AppException &) {
        // A window without a stored record hands over empty texts.
    }
    return {};
}

void FrmExportDBTextFile::showFor(FrmMain *main)
{
    if (!main->mdiArea()->currentSubWindow())
        return;
    FrmExportDBTextFile window(main);
    window.DatabaseName = activeDatabaseName(main);
    window.TopicName = main->ComboTable->currentText();
    // The record as the window shows it, typed changes and a record being added included.
    QWidget *form = main->mdiArea()->currentSubWindow()->widget();
    if (main->activeRecordWindow() && form) {
        if (auto *question = form->findChild<QPlainTextEdit *>(QStringLiteral("RTBQuestion")))
            window.QuestionText = question->toPlainText();
        if (auto *answer = form->findChild<RichTextBox *>(QStringLiteral("RTBAnswer")))
            window.AnswerText = answer->text();
    }
    window.Opt[0]->setText(window.Opt[0]->text() + QLatin1Char(' ') + window.TopicName);
    window.setWindowTitle(QStringLiteral("Convert Database to Text File"));
    runDbMaintenanceModal(&window);
}
