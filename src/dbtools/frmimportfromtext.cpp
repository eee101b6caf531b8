#include "dbtools/frmimportfromtext.h"

#include "dbtools/dirlistbox.h"
#include "dbtools/frmexportdbtextfile.h"
#include "dbtools/frmtrans.h"
#include "kb/frmmain.h"
#include "kb/kbglobals.h"
#include "platform/base/apperror.h"
#include "platform/base/folderlisting.h"
#include "platform/db/dbdatabase.h"
#include "platform/db/dbengine.h"
#include "platform/db/dberrors.h"
#include "platform/db/dbsql.h"
#include "platform/prompt/fixeddialog.h"
#include "platform/prompt/prompter.h"
#include "platform/richtext/rtfcodepage.h"
#include "platform/richtext/rtfreader.h"
#include "shell/label3dhost.h"
#include "winsvc/listboxtipbox.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QStorageInfo>
#include <QStringDecoder>
#include <QTextDocument>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace {

QString message(const QString &text, int icon, const QString &title)
{
    return Prompter::instance().messageBox(text, icon, 4, title);
}

// The name of a file as the file system holds it: a name that is not valid UTF-8 shows with
// replacement characters and is still opened by its own bytes.
constexpr int NativePathRole = Qt::UserRole + 1;

// The files of folder that match patterns (all of them when there are none), hidden ones
// left out, by name regardless of case.
QList<FolderListing::ListedFile> listFiles(const QString &folder, const QStringList &patterns)
{
    QList<FolderListing::ListedFile> files = FolderListing::listFiles(folder, patterns);
    std::sort(files.begin(), files.end(),
              [](const FolderListing::ListedFile &a, const FolderListing::ListedFile &b) {
                  const int order = a.name.compare(b.name, Qt::CaseInsensitive);
                  return order != 0 ? order < 0 : a.nativePath < b.nativePath;
              });
    return files;
}

QByteArray nativePathOf(const QListWidgetItem *item)
{
    return item->data(NativePathRole).toByteArray();
}

// Text that is not valid UTF-8 is read in the Windows Western code page, where every byte is a
// character of its own.
QString plainBytesText(const QByteArray &bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (utf8.hasError()) {
        text.clear();
        for (const char byte : bytes)
            text += QChar(RtfCodePage::fromCp1252(static_cast<unsigned char>(byte)));
    }
    return text;
}

} // namespace

FrmImportFromText::FrmImportFromText(const QString &databaseFolder, QWidget *parent)
    : QDialog(parent), m_databaseFolder(databaseFolder)
{
    setWindowTitle(QStringLiteral("Import Database From Text-File."));
    FixedDialog::apply(this);
    auto *layout = new QVBoxLayout(this);

    Frame1 = new QGroupBox;
    auto *page1 = new QGridLayout(Frame1);
    page1->addWidget(new QLabel(QStringLiteral("File Directory Location:")), 0, 0, 1, 2);
    Drive1 = new QComboBox;
    for (const QStorageInfo &volume : QStorageInfo::mountedVolumes())
        Drive1->addItem(volume.rootPath());
    Drive1->setCurrentIndex(-1);
    page1->addWidget(Drive1, 1, 0);
    CmdBrowse = new QPushButton(QStringLiteral("Browse..."));
    page1->addWidget(CmdBrowse, 1, 1);
    Dir1 = new DirListBox;
    page1->addWidget(Dir1, 2, 0, 1, 2);
    File1 = new QListWidget;
    page1->addWidget(File1, 3, 0);
    List1 = new QListWidget;
    List1->installEventFilter(this);
    List1->setContextMenuPolicy(Qt::CustomContextMenu);
    page1->addWidget(List1, 3, 1);
    page1->addWidget(new QLabel(QStringLiteral("Import Pattern:")), 4, 0);
    TxtPatn = new QLineEdit;
    page1->addWidget(TxtPatn, 5, 0);
    CheckSelectAll = new QCheckBox(QStringLiteral("Select All"));
    page1->addWidget(CheckSelectAll, 5, 1);
    layout->addWidget(Frame1);

    Frame2 = new QGroupBox;
    auto *page2 = new QGridLayout(Frame2);
    page2->addWidget(new QLabel(QStringLiteral("Choose the database here:")), 0, 0);
    File2 = new QListWidget;
    page2->addWidget(File2, 1, 0);
    LblDBName = new QLabel;
    page2->addWidget(LblDBName, 2, 0);
    page2->addWidget(
        new QLabel(QStringLiteral("Choose at which topic you want the imported records stay:")), 0,
        1);
    List2 = new QListWidget;
    page2->addWidget(List2, 1, 1);
    QWidget *destination = CreateLabel3D(
        {{QStringLiteral("Caption"), QStringLiteral("Import to Destination:")}}, this);
    destination->setObjectName(QStringLiteral("LblTxtDest"));
    FitLabel3DToCaption(destination);
    page2->addWidget(destination, 3, 0);
    LblToRec = new QLabel;
    page2->addWidget(LblToRec, 3, 1);
    layout->addWidget(Frame2);

    Frame3 = new QGroupBox;
    auto *page3 = new QGridLayout(Frame3);
    page3->addWidget(new QLabel(QStringLiteral("Import Confirmation:")), 0, 0, 1, 2);
    page3->addWidget(new QLabel(QStringLiteral("Text Files:")), 1, 0);
    ListFinalFile = new QListWidget;
    page3->addWidget(ListFinalFile, 1, 1);
    page3->addWidget(new QLabel(QStringLiteral("Will Be Imported to Database:")), 2, 0);
    LblDataBaseName = new QLabel;
    page3->addWidget(LblDataBaseName, 2, 1);
    page3->addWidget(new QLabel(QStringLiteral("At Record Set:")), 3, 0);
    LblRecordset = new QLabel;
    page3->addWidget(LblRecordset, 3, 1);
    LblDesript = new QLabel;
    page3->addWidget(LblDesript, 4, 0, 1, 2);
    PBar = new QProgressBar;
    PBar->setVisible(false);
    page3->addWidget(PBar, 5, 0, 1, 2);
    layout->addWidget(Frame3);

    auto *buttons = new QHBoxLayout;
    CmdClose = new QPushButton(QStringLiteral("Close"));
    CmdPrevious = new QPushButton(QStringLiteral("<<"));
    CmdNext = new QPushButton(QStringLiteral(">>"));
    buttons->addWidget(CmdClose);
    buttons->addStretch();
    buttons->addWidget(CmdPrevious);
    buttons->addWidget(CmdNext);
    layout->addLayout(buttons);
    // A fixed dialog: the window manager then offers no resizing (and draws no grip for it).
    layout->setSizeConstraint(QLayout::SetFixedSize);

    // The entry under the mouse shows in full as the list's tip.
    for (QListWidget *list : {List1, ListFinalFile}) {
        list->setMouseTracking(true);
        list->viewport()->installEventFilter(this);
    }

    mnuEdit = new QMenu(QStringLiteral("Edit"), this);
    mnuEdit->addAction(QStringLiteral("Move out from list"), this, [this] { mnuMoveOut_Click(); });

    connect(Drive1, &QComboBox::activated, this, [this] { Drive1_Change(); });
    connect(Dir1, &DirListBox::changed, this, [this] { Dir1_Change(); });
    connect(CmdBrowse, &QPushButton::clicked, this, [this] { CmdBrowse_Click(); });
    connect(TxtPatn, &QLineEdit::textChanged, this, [this] { TxtPatn_Change(); });
    connect(TxtPatn, &QLineEdit::returnPressed, this, [this] { TxtPatn_Change(); });
    connect(File1, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem *item) { File1_DblClick(File1->row(item)); });
    connect(CheckSelectAll, &QCheckBox::clicked, this, [this] { CheckSelectAll_Click(); });
    connect(List1, &QWidget::customContextMenuRequested, this, [this](const QPoint &pos) {
        if (List1->count() > 0 && List1->currentItem() && !List1->currentItem()->text().isEmpty())
            mnuEdit->popup(List1->viewport()->mapToGlobal(pos));
    });
    connect(File2, &QListWidget::itemClicked, this,
            [this](QListWidgetItem *item) { File2_Click(File2->row(item)); });
    connect(List2, &QListWidget::itemClicked, this, [this] { List2_Click(); });
    connect(CmdNext, &QPushButton::clicked, this, [this] { CmdNext_Click(); });
    connect(CmdPrevious, &QPushButton::clicked, this, [this] { CmdPrevious_Click(); });
    connect(CmdClose, &QPushButton::clicked, this, [this] { CmdClose_Click(); });

    File2->addItems(
        QDir(m_databaseFolder)
            .entryList({QStringLiteral("*.mdb")}, QDir::Files, QDir::Name | QDir::IgnoreCase));
    TxtPatn->setText(QStringLiteral("*.txt"));
    // The folder list starts at the current folder, and the file list with it.
    Dir1->setPath(QDir::currentPath());
    Drive1->setCurrentIndex(Drive1->findText(QStorageInfo(Dir1->path()).rootPath()));
    Frame2->setVisible(false);
    Frame3->setVisible(false);
    CmdPrevious->setVisible(false);
    flatControls.attach({TxtPatn, Drive1});
}

FrmImportFromText::~FrmImportFromText() = default;

int FrmImportFromText::visibleStep() const
{
    if (!Frame1->isHidden())
        return 1;
    return !Frame2->isHidden() ? 2 : 3;
}

void FrmImportFromText::Drive1_Change()
{
    const QStorageInfo volume(Drive1->currentText());
    // The folder list keeps its folder when the drive cannot be read.
    if (!volume.isValid() || !volume.isReady() || !Dir1->setPath(volume.rootPath())) {
        message(QStringLiteral("Driver") + Drive1->currentText() +
                    QStringLiteral(" is not available now, please insert disk there!"),
                105, QStringLiteral("FAILED"));
    }
}

void FrmImportFromText::Dir1_Change()
{
    TxtPatn_Change();
}

void FrmImportFromText::CmdBrowse_Click()
{
    const auto chosen =
        Prompter::instance().folderName(QStringLiteral("File Directory Location:"), folder());
    if (chosen)
        setFolder(*chosen);
}

void FrmImportFromText::setFolder(const QString &folder)
{
    // Moving the folder list lists the files; the folder it already shows is listed again.
    const QString before = Dir1->path();
    if (Dir1->setPath(folder) && Dir1->path() == before)
        Dir1_Change();
}

QString FrmImportFromText::folder() const
{
    return Dir1->path();
}

void FrmImportFromText::TxtPatn_Change()
{
    File1->clear();
    const QString current = folder();
    if (current.isEmpty())
        return;
    const QStringList patterns = TxtPatn->text().split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (const FolderListing::ListedFile &file : listFiles(current, patterns)) {
        auto *item = new QListWidgetItem(file.name, File1);
        item->setData(NativePathRole, file.nativePath);
    }
}

void FrmImportFromText::addFile(const QListWidgetItem *file)
{
    // Two names that are not valid UTF-8 may show alike: the file system's bytes tell them apart.
    const QByteArray nativePath = nativePathOf(file);
    for (int i = 0; i < List1->count(); ++i)
        if (nativePathOf(List1->item(i)) == nativePath)
            return;
    auto *chosen = new QListWidgetItem(QDir(folder()).filePath(file->text()), List1);
    chosen->setData(NativePathRole, nativePath);
    // The question keeps what the name's bytes say, so that names alike on screen stay apart.
    List3.append(plainBytesText(nativePath.mid(nativePath.lastIndexOf('/') + 1)));
    SetListHScroll(List1);
}

void FrmImportFromText::File1_DblClick(int row)
{
    if (row >= 0 && row < File1->count())
        addFile(File1->item(row));
}

void FrmImportFromText::CheckSelectAll_Click()
{
    if (CheckSelectAll->isChecked()) {
        for (int i = 0; i < File1->count(); ++i)
            addFile(File1->item(i));
        return;
    }
    // Exactly the entries of the listing shown; choices from other folders stay.
    for (int i = 0; i < File1->count(); ++i) {
        const QByteArray nativePath = nativePathOf(File1->item(i));
        for (int row = List1->count() - 1; row >= 0; --row)
            if (nativePathOf(List1->item(row)) == nativePath)
                removeChosen(row);
    }
}

void FrmImportFromText::removeChosen(int row)
{
    if (row < 0 || row >= List1->count())
        return;
    delete List1->takeItem(row);
    List3.removeAt(row);
}

void FrmImportFromText::mnuMoveOut_Click()
{
    if (List1->currentItem())
        removeChosen(List1->currentRow());
}

bool FrmImportFromText::eventFilter(QObject *watched, QEvent *event)
{
    // A full stop takes the selected file out of the list, and so does Delete.
    if (watched == List1 && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->text() == QLatin1String(".") || key->key() == Qt::Key_Delete) {
            mnuMoveOut_Click();
            return true;
        }
    }
    if (event->type() == QEvent::MouseMove) {
        for (QListWidget *list : {List1, ListFinalFile}) {
            if (watched == list->viewport()) {
                const auto *move = static_cast<QMouseEvent *>(event);
                ListBoxTip(list, move->buttons(), move->position().toPoint());
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

void FrmImportFromText::File2_Click(int row)
{
    List2->clear();
    LblToRec->clear();
    if (row < 0 || row >= File2->count())
        return;
    const QString name = File2->item(row)->text();
    try {
        auto database = db::DBEngine::OpenDatabase(QDir(m_databaseFolder).filePath(name));
        // Only tables that can hold a question and an answer are topics here.
        for (const QString &table : database->tableNames(true)) {
            bool question = false;
            bool answer = false;
            for (const db::Field &field : database->fields(table)) {
                question |=
                    field.name.compare(QStringLiteral("Question"), Qt::CaseInsensitive) == 0;
                answer |= field.name.compare(QStringLiteral("Answer"), Qt::CaseInsensitive) == 0;
            }
            if (question && answer)
                List2->addItem(table);
        }
        database->Close();
    } catch (const AppException &error) {
        message(error.description(), 103, QStringLiteral("ERROR"));
    }
    if (List2->count() > 0) {
        List2->setCurrentRow(0);
        List2_Click();
    }
    LblDBName->setText(name);
}

void FrmImportFromText::List2_Click()
{
    if (QListWidgetItem *item = List2->currentItem())
        LblToRec->setText(item->text());
}

void FrmImportFromText::CmdNext_Click()
{
    if (isImporting())
        return;
    if (CmdNext->text() == QLatin1String("Import")) {
        Import();
        return;
    }
    const int step = visibleStep();
    if (step == 1 && List1->count() == 0) {
        message(QStringLiteral("Please choose the Text File you want to import!"), 106,
                QStringLiteral("CHOOSE FILE"));
        return;
    }
    if (step == 2 && LblToRec->text().isEmpty()) {
        message(QStringLiteral("Please Select the Topic you want to hold the Imported Records!"),
                106, QStringLiteral("CHOOSE TOPIC"));
        return;
    }
    if (step == 2) {
        Frame2->setVisible(false);
        Frame3->setVisible(true);
        LblDesript->setText(QStringLiteral("The text file name will be used as field question "
                                           "\r\nand the file content will be used as field "
                                           "answer."));
        CmdNext->setText(QStringLiteral("Import"));
        LblDataBaseName->setText(LblDBName->text());
        LblRecordset->setText(LblToRec->text());
        ListFinalFile->clear();
        for (int i = 0; i < List1->count(); ++i)
            ListFinalFile->addItem(List1->item(i)->clone());
        SetListHScroll(ListFinalFile);
    } else {
        Frame2->setVisible(true);
        Frame1->setVisible(false);
    }
    CmdPrevious->setVisible(true);
}

void FrmImportFromText::CmdPrevious_Click()
{
    if (isImporting())
        return;
    if (visibleStep() == 2) {
        CmdPrevious->setVisible(false);
        Frame2->setVisible(false);
        Frame1->setVisible(true);
    } else {
        Frame3->setVisible(false);
        Frame2->setVisible(true);
        CmdNext->setText(QStringLiteral(">>"));
    }
}

void FrmImportFromText::CmdClose_Click()
{
    if (isImporting())
        return;
    reject();
}

// Escape ends a dialog through here: never while files are still being worked through, or
// the window would go with the run half done.
void FrmImportFromText::reject()
{
    if (isImporting())
        return;
    QDialog::reject();
}

void FrmImportFromText::closeEvent(QCloseEvent *event)
{
    if (isImporting()) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void FrmImportFromText::Import()
{
    PBar->setVisible(true);
    PBar->setRange(0, 100);
    PBar->setValue(0);
    m_topic = LblRecordset->text().trimmed();
    try {
        m_database = db::DBEngine::OpenDatabase(
            QDir(m_databaseFolder).filePath(LblDataBaseName->text().trimmed()));
        if (!m_database->hasTable(m_topic))
            db::raise(db::ErrInputTableNotFound, m_topic);
    } catch (const AppException &error) {
        m_database.reset();
        message(error.description(), 103, QStringLiteral("ERROR"));
        reject();
        return;
    }
    m_next = 0;
    m_imported = 0;
    m_failures.clear();
    CmdNext->setEnabled(false);
    CmdPrevious->setEnabled(false);
    CmdClose->setEnabled(false);
    importNext();
}

void FrmImportFromText::importNext()
{
    const int count = ListFinalFile->count();
    if (m_next >= count) {
        m_database->Close();
        m_database.reset();
        PBar->setValue(PBar->maximum());
        const int failed = int(m_failures.size());
        if (failed == 0) {
            message(QStringLiteral("Import Succeed!"), 104, QStringLiteral("SUCCEED"));
        } else {
            message(QStringLiteral("%1 imported, %2 failed:\r\n").arg(m_imported).arg(failed) +
                        m_failures.join(QStringLiteral("\r\n")),
                    105, QStringLiteral("FAILED"));
        }
        emit importFinished(m_imported, failed);
        accept();
        return;
    }
    const QString path = ListFinalFile->item(m_next)->text().trimmed();
    const QString question = List3.value(m_next);
    try {
        QString answer = readFileText(nativePathOf(ListFinalFile->item(m_next)));
        if (answer.isEmpty())
            answer = QStringLiteral("N/A");
        const qint64 duplicates =
            db::scalar(m_database->handle(),
                       QStringLiteral("SELECT COUNT(*) FROM ") + db::quoteIdent(m_topic) +
                           QStringLiteral(" WHERE Question = ? COLLATE NOCASE"),
                       {question})
                .toLongLong();
        if (duplicates > 0)
            throw AppException(db::ErrDuplicateKey,
                               QStringLiteral("a record with this question exists already"));
        m_database->Execute(QStringLiteral("INSERT INTO ") + db::quoteIdent(m_topic) +
                                QStringLiteral(" (Question, Answer) VALUES (?, ?)"),
                            {question, answer});
        ++m_imported;
    } catch (const AppException &error) {
        m_failures.append(path + QStringLiteral(": ") + error.description());
    }
    ++m_next;
    PBar->setValue(int(qint64(m_next) * PBar->maximum() / count));
    // One file per turn of the event loop keeps the window responsive.
    QTimer::singleShot(0, this, [this] { importNext(); });
}

QString FrmImportFromText::readFileText(const QByteArray &nativePath)
{
    QFile file;
    QString error;
    if (!FolderListing::openForReading(file, nativePath, &error))
        throw AppException(53,
                           QStringLiteral("the file cannot be read (") + error + QLatin1Char(')'));
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw AppException(57, QStringLiteral("the file cannot be read (") + file.errorString() +
                                   QLatin1Char(')'));
    QString text;
    if (RtfReader::isRtf(QByteArrayView(bytes))) {
        QTextDocument document;
        RtfReader::read(bytes, &document);
        text = document.toPlainText();
    } else {
        text = plainBytesText(bytes);
        if (text.startsWith(QChar::ByteOrderMark))
            text.remove(0, 1);
    }
    return FrmExportDBTextFile::plainText(text);
}

void FrmImportFromText::showFor(FrmMain *main)
{
    FrmImportFromText window(DatabaseFolder, main);
    runDbMaintenanceModal(&window);
}
