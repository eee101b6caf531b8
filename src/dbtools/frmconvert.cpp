#include "dbtools/frmconvert.h"

#include "dbtools/docxwriter.h"
#include "dbtools/xlsxwriterbook.h"
#include "kb/frmmain.h"
#include "platform/base/apperror.h"
#include "platform/base/apppaths.h"
#include "platform/db/dbdatabase.h"
#include "platform/db/dbdatacontrol.h"
#include "platform/db/dbengine.h"
#include "platform/db/dbrecordset.h"
#include "platform/prompt/fixeddialog.h"
#include "platform/prompt/prompter.h"
#include "platform/richtext/richtextbox.h"
#include "platform/richtext/rtfreader.h"
#include "shell/frmcd.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QTextDocument>
#include <QUrl>
#include <QVBoxLayout>

namespace {

const QString AbortCaption = QStringLiteral("Abort");

FrmConvert::DocumentOpener &documentOpener()
{
    static FrmConvert::DocumentOpener opener;
    return opener;
}

bool openWithDesktop(const QString &fileName)
{
    return QDesktopServices::openUrl(QUrl::fromLocalFile(fileName));
}

// A file name made of the topic: the characters a file name cannot hold are replaced.
QString defaultFileName(const QString &topic, const QString &suffix)
{
    QString name = topic.trimmed();
    for (QChar &c : name) {
        if (c == u'/' || c == u'\\' || c == QChar(0) || c.unicode() < 0x20)
            c = u'_';
    }
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        name = QStringLiteral("Records");
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty() || !QDir(folder).exists())
        folder = QDir::homePath();
    return QDir(folder).filePath(name + suffix);
}

} // namespace

FrmConvert::FrmConvert(QWidget *parent) : QDialog(parent)
{
    FixedDialog::apply(this);
    setObjectName(QStringLiteral("FrmConvert"));
    setModal(true);

    Frame = new QGroupBox(QStringLiteral("Please choose the way your prefer:"), this);
    Frame->setObjectName(QStringLiteral("Frame"));
    OptConvAll =
        new QRadioButton(QStringLiteral("Convert all the records of current topic:"), Frame);
    OptConvAll->setObjectName(QStringLiteral("OptConvAll"));
    Option1 = new QRadioButton(QStringLiteral("Only convert current record:"), Frame);
    Option1->setObjectName(QStringLiteral("Option1"));
    // Preselected, so Convert always has a way to follow.
    OptConvAll->setChecked(true);
    auto *frameLayout = new QVBoxLayout(Frame);
    frameLayout->addWidget(OptConvAll);
    frameLayout->addWidget(Option1);

    PBConv = new QProgressBar(this);
    PBConv->setObjectName(QStringLiteral("PBConv"));
    PBConv->setRange(0, 100);
    PBConv->setValue(0);
    PBConv->setVisible(false);

    CmdConv = new QPushButton(QStringLiteral("&Convert"), this);
    CmdConv->setObjectName(QStringLiteral("CmdConv"));
    CmdConv->setDefault(true);
    CmdCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    CmdCancel->setObjectName(QStringLiteral("CmdCancel"));
    // The wait pointer covers the window while converting; the Abort button keeps the arrow.
    CmdCancel->setCursor(Qt::ArrowCursor);
    connect(CmdConv, &QPushButton::clicked, this, &FrmConvert::CmdConv_Click);
    connect(CmdCancel, &QPushButton::clicked, this, &FrmConvert::CmdCancel_Click);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(CmdConv);
    buttons->addWidget(CmdCancel);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Frame);
    layout->addWidget(PBConv);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    m_tick.setInterval(0);
    connect(&m_tick, &QTimer::timeout, this, &FrmConvert::convertNextRecord);
}

FrmConvert::~FrmConvert()
{
    m_tick.stop();
    closeTopic();
}

void FrmConvert::setDocumentOpener(DocumentOpener opener)
{
    documentOpener() = std::move(opener);
}

void FrmConvert::DBConvert(FrmMain *main, const QString &target)
{
    FrmConvert window(main);
    if (prepareFor(main, target, window))
        window.exec();
}

bool FrmConvert::prepareFor(FrmMain *main, const QString &target, FrmConvert &window)
{
    QMdiSubWindow *child = main && main->mdiArea() ? main->mdiArea()->currentSubWindow() : nullptr;
    if (!child || !child->widget())
        return false;
    QWidget *form = child->widget();
    // The Data View has no current record to hand over.
    if (form->objectName() != QLatin1String("FrmAdvance")) {
        if (auto *question = form->findChild<QPlainTextEdit *>(QStringLiteral("RTBQuestion")))
            window.QuestionText = question->toPlainText();
        if (auto *answer = form->findChild<RichTextBox *>(QStringLiteral("RTBAnswer")))
            window.AnswerText = answer->text();
    }
    if (auto *data = form->findChild<db::DataControl *>(QStringLiteral("DataNavi")))
        window.DatabaseName = data->DatabaseName();
    const QString topic = main->ComboTable ? main->ComboTable->currentText() : QString();
    window.TopicName = topic;
    window.OptConvAll->setText(window.OptConvAll->text() + QLatin1Char(' ') + topic);
    window.setWindowTitle(QStringLiteral("Convert Database to ") + target);
    window.ToWord = target.right(1).toUpper() != QLatin1String("L");
    return true;
}

QString FrmConvert::plainText(const QVariant &stored)
{
    if (stored.isNull())
        return QString();
    QTextDocument document;
    RtfReader::read(stored.toString(), &document);
    return document.toPlainText();
}

void FrmConvert::CmdConv_Click()
{
    if (m_converting)
        return;
    if (OptConvAll->isChecked()) {
        if (ToWord)
            ConvertTopicToWord();
        else
            ConvertTopicToExcel();
    } else if (Option1->isChecked()) {
        if (ToWord)
            ConvertRecordToWord();
        else
            ConvertRecordToExcel();
    }
}

void FrmConvert::CmdCancel_Click()
{
    if (!m_converting) {
        unload();
        return;
    }
    m_asking = true;
    const QString answer =
        Prompter::instance().messageBox(QStringLiteral("Do you want abort the export process now?"),
                                        101, 1, QStringLiteral("ABORT"));
    m_asking = false;
    if (answer == QLatin1String("Yes"))
        m_abortRequested = true;
}

void FrmConvert::reject()
{
    if (m_converting)
        CmdCancel_Click();
    else
        QDialog::reject();
}

void FrmConvert::closeEvent(QCloseEvent *event)
{
    if (m_converting) {
        event->ignore();
        CmdCancel_Click();
        return;
    }
    QDialog::closeEvent(event);
}

void FrmConvert::ConvertTopicToWord()
{
    startTopic(Mode::TopicToWord);
}

void FrmConvert::ConvertTopicToExcel()
{
    startTopic(Mode::TopicToExcel);
}

bool FrmConvert::startTopic(Mode mode)
{
    m_mode = mode;
    m_abortRequested = false;
    qint64 count = 0;
    try {
        m_database = db::DBEngine::OpenDatabase(DatabaseName, false, true);
        m_topic = m_database->OpenRecordset(TopicName, db::dbOpenSnapshot);
        count = m_topic->RecordCount();
    } catch (const AppException &e) {
        closeTopic();
        showError(e.description());
        return false;
    }
    if (count <= 0) {
        closeTopic();
        // Nothing to convert: no file is written at all.
        if (mode == Mode::TopicToWord)
            Prompter::instance().messageBox(QStringLiteral("Sorry, no records in current topic!"),
                                            107, 4, QStringLiteral("Export Failed!"));
        else
            Prompter::instance().messageBox(QStringLiteral("Sorry, no records in current topic!"),
                                            103, 4, QStringLiteral("Search Failed!"));
        unload();
        return false;
    }
    const std::optional<QString> file = chooseFile();
    if (!file) {
        closeTopic();
        return false;
    }
    m_fileName = *file;

    beginRun();
    PBConv->setRange(0, int(qMin<qint64>(count, INT_MAX)));
    PBConv->setValue(0);
    m_record = 0;
    m_row = 2;
    if (mode == Mode::TopicToWord) {
        m_docx = std::make_unique<DocxWriter>();
    } else {
        m_xlsx = std::make_unique<XlsxWriterBook>();
        m_xlsx->setCell(1, 1, AppPaths::applicationTitle() + QStringLiteral(" : ") + TopicName,
                        true);
        m_xlsx->setColumnWidth(1, 99);
    }
    try {
        m_topic->MoveFirst();
    } catch (const AppException &e) {
        endRun();
        closeTopic();
        showError(e.description());
        return false;
    }
    // One record per turn of the event loop keeps the window and its Abort button alive.
    m_tick.start();
    return true;
}

void FrmConvert::convertNextRecord()
{
    if (m_asking)
        return;
    try {
        if (m_abortRequested || m_topic->Eof()) {
            finishTopic();
            return;
        }
        const QVariant storedQuestion = m_topic->value(QStringLiteral("Question"));
        const QString question = storedQuestion.isNull() ? QString() : storedQuestion.toString();
        const QString answer = plainText(m_topic->value(QStringLiteral("Answer")));
        appendRecord(++m_record, question, answer);
        PBConv->setValue(qMin(PBConv->value() + 1, PBConv->maximum()));
        m_topic->MoveNext();
    } catch (const AppException &e) {
        m_tick.stop();
        closeTopic();
        m_docx.reset();
        m_xlsx.reset();
        endRun();
        showError(e.description());
    }
}

void FrmConvert::appendRecord(int number, const QString &question, const QString &answer)
{
    if (m_mode == Mode::TopicToWord) {
        // The heading keeps the font the previous answer's breaks left: bold from the second on.
        m_docx->typeText(QStringLiteral("Question %1:  ").arg(number) + question);
        m_docx->setBold(false);
        m_docx->setItalic(true);
        m_docx->typeText(QStringLiteral("\r\n\r\n"));
        m_docx->typeText(answer);
        m_docx->setBold(true);
        m_docx->setItalic(false);
        m_docx->typeText(QStringLiteral("\r\n\r\n\r\n\r\n"));
        return;
    }
    m_xlsx->setCell(m_row, 1, QStringLiteral("Question %1").arg(number));
    m_xlsx->setCell(m_row + 1, 1, question);
    m_xlsx->setCell(m_row + 2, 1, answer);
    m_row += 4;
}

void FrmConvert::finishTopic()
{
    m_tick.stop();
    closeTopic();
    bool saved = false;
    if (m_mode == Mode::TopicToWord)
        saved = saveAndOpen([this](const QString &f) { return m_docx->save(f); },
                            [this] { return m_docx->error(); });
    else
        saved = saveAndOpen([this](const QString &f) { return m_xlsx->save(f); },
                            [this] { return m_xlsx->error(); });
    m_docx.reset();
    m_xlsx.reset();
    endRun();
    if (saved)
        unload();
}

void FrmConvert::ConvertRecordToWord()
{
    const std::optional<QString> file = chooseFile();
    if (!file)
        return;
    m_fileName = *file;
    beginRun();
    DocxWriter document;
    document.typeText(QuestionText);
    document.setBold(true);
    document.setItalic(false);
    document.typeText(QStringLiteral("\r\n\r\n"));
    document.typeText(AnswerText);
    const bool saved = saveAndOpen([&document](const QString &f) { return document.save(f); },
                                   [&document] { return document.error(); });
    endRun();
    if (saved)
        unload();
}

void FrmConvert::ConvertRecordToExcel()
{
    const std::optional<QString> file = chooseFile();
    if (!file)
        return;
    m_fileName = *file;
    beginRun();
    PBConv->setRange(0, 100);
    PBConv->setValue(20);
    XlsxWriterBook book;
    book.setCell(1, 1, AppPaths::applicationTitle() + QStringLiteral(" : ") + TopicName, true);
    book.setCell(2, 1, QuestionText);
    book.setCell(3, 1, AnswerText);
    PBConv->setValue(40);
    book.setColumnWidth(1, 99);
    PBConv->setValue(80);
    const bool saved = saveAndOpen([&book](const QString &f) { return book.save(f); },
                                   [&book] { return book.error(); });
    PBConv->setValue(100);
    endRun();
    if (saved)
        unload();
}

std::optional<QString> FrmConvert::chooseFile()
{
    const bool word = ToWord;
    const QString suffix = word ? QStringLiteral(".docx") : QStringLiteral(".xlsx");
    CommonDialogOptions options;
    options.DialogTitle = QStringLiteral("Save As");
    options.FileName = defaultFileName(TopicName, suffix);
    options.Filter =
        word ? QStringLiteral("Word Documents|*.docx") : QStringLiteral("Excel Workbooks|*.xlsx");
    std::optional<QString> chosen = FrmCD::CD().ShowSave(options);
    if (!chosen || chosen->isEmpty())
        return std::nullopt;
    QString name = *chosen;
    if (QFileInfo(name).suffix().isEmpty())
        name += suffix;
    const QString database = QFileInfo(DatabaseName).canonicalFilePath();
    if (!database.isEmpty() && QFileInfo(name).canonicalFilePath() == database) {
        showError(QStringLiteral("The records cannot be saved over their own database. Please "
                                 "choose another file."));
        return std::nullopt;
    }
    return name;
}

bool FrmConvert::saveAndOpen(const std::function<bool(const QString &)> &save,
                             const std::function<QString()> &error)
{
    if (!save(m_fileName)) {
        showError(QStringLiteral("The document could not be saved as ") + m_fileName + u'\n' +
                  error());
        return false;
    }
    m_writtenFile = m_fileName;
    const DocumentOpener &opener = documentOpener();
    const bool opened = opener ? opener(m_fileName) : openWithDesktop(m_fileName);
    if (!opened)
        Prompter::instance().messageBox(
            QStringLiteral("The document was saved as ") + m_fileName +
                QStringLiteral(", but no program could be started to open it."),
            105, 4, QStringLiteral("FAILED"));
    return true;
}

void FrmConvert::beginRun()
{
    m_converting = true;
    CmdConv->setEnabled(false);
    CmdCancel->setText(AbortCaption);
    PBConv->setVisible(true);
    setCursor(Qt::WaitCursor);
}

void FrmConvert::endRun()
{
    m_converting = false;
    m_abortRequested = false;
    CmdConv->setEnabled(true);
    CmdCancel->setText(QStringLiteral("&Cancel"));
    unsetCursor();
}

void FrmConvert::closeTopic()
{
    if (m_topic && m_topic->isOpen())
        m_topic->Close();
    m_topic.reset();
    if (m_database && m_database->isOpen())
        m_database->Close();
    m_database.reset();
}

void FrmConvert::showError(const QString &description)
{
    Prompter::instance().messageBox(description, 103, 4, QStringLiteral("ERROR"));
}

void FrmConvert::unload()
{
    unsetCursor();
    done(QDialog::Accepted);
}
