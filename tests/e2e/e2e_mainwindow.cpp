// The knowledge base as a user meets it: the real main window and record windows on a real X
// display with a window manager, driven by real mouse and keyboard input and answering the
// real message boxes.
#include "FtpTestServers.h"
#include "TelnetdPeer.h"
#include "e2edriver.h"
#include "heardsound.h"
#include "soundrecorder.h"
#include "xsession.h"

#include "dbtools/frmadvance.h"
#include "dbtools/frmtrans.h"
#include "editor/frmfindandreplace.h"
#include "editor/frmrecord.h"
#include "kb/frmmain.h"
#include "kb/kbglobals.h"
#include "platform/base/colors.h"
#include "platform/base/fontsubstitutes.h"
#include "platform/controls/controlhost.h"
#include "platform/db/dbengine.h"
#include "platform/prompt/prompter.h"
#include "platform/richtext/richtextbox.h"
#include "shell/frmpassword.h"
#include "shell/frmsystray.h"
#include "shell/shellprompter.h"
#include "tools/ftp/CFtpConnection.h"
#include "tools/ftp/FrmFTP.h"
#include "tools/ftp/frmConnect.h"
#include "tools/imagenav/FrmImageNavi.h"
#include "tools/imagenav/mExplorerTree.h"
#include "tools/telnet/Telnet.h"
#include "tools/telnet/TelnetScreenView.h"
#include "tools/telnet/frmTCPIP.h"
#include "tools/telnet/frmTelnet.h"
#include "tools/web/frmWebBrowser.h"
#include "windowfactories.h"
#include "winsvc/clstooltip.h"
#include "winsvc/msubclass.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QCursor>
#include <QDir>
#include <QDockWidget>
#include <QFileInfo>
#include <QFontMetrics>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStatusBar>
#include <QSystemTrayIcon>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolTip>
#include <QTreeWidget>

#include <clocale>
#include <cstdio>
#include <functional>
#include <memory>

namespace {

// Set for the run on a display without a window manager (e2e.mainwindow.bare): nothing then
// hands the focus back to the main window after a message box.
bool bareDisplay()
{
    return qEnvironmentVariable("MARLUX_E2E_DISPLAY") == QLatin1String("bare");
}

// Waits for real input to arrive and take effect; generous, the machine is shared.
constexpr int Patience = 15000;

// A word of a question to search for: its longest one made of letters at both ends.
QString searchWordOf(const QString &question)
{
    QString word;
    for (const QString &part : question.split(QLatin1Char(' '), Qt::SkipEmptyParts))
        if (part.size() > word.size() && part.front().isLetter() && part.back().isLetter())
            word = part;
    return word;
}

} // namespace

class E2eMainWindow : public QObject
{
    Q_OBJECT

public:
    E2eMainWindow() : m_answers(m_input) {}

private slots:
    void initTestCase();
    void cleanup();

    void mainRoad();
    void windowsAfterEditing();
    void refusedQuitKeepsTheLook();
    void newWindowAfterAMessageBox();
    void searchKeywordsAtTheKeyboard();
    void ftpCloseDuringDownload();
    void telnetKeysReachTheHost();
    void ftpStopAndExitDuringTransfers();
    void trayIconDocks();
    void toolTour();
    void editingKeepsWindowsInPlace();
    void tilesKeepTheirLeastSize();
    void telnetAtARealHost();
    void windowServicesUnderTheWindowManager();
    void boxFromAMenuIsHeard();

private:
    void start();
    void finish();
    FrmRecord *activeRecord() const;
    void clickMain(const QString &key);
    void clickEdit(const QString &key);
    void openDatabase(const QString &key);
    void pickTopic(int row);
    void clickQuestion(int row);
    QStringList topics() const;
    void chooseSearchDatabase(const QString &key);
    void search(const QString &key, const QString &word);
    void openTool(const QString &key);
    void fillFileBox(QWidget *dialog, const QString &path);
    // The tour's steps.
    void chooseMenu(const QString &menu, const QString &item);
    void openToolBy(const QString &key, bool byMenu);
    void checkToolShown(const QString &key);
    void activateChild(QWidget *form);
    enum class Arranged { Placed, Tiled, Cascaded };
    bool inWorkArea(Arranged arranged) const;
    void showPictures(const QString &folder);
    void telnetConnect(frmTelnet *telnet, quint16 port);
    frmTelnet *openUtf8Telnet();
    void ftpConnect(FrmFTP *ftp, const QString &address);
    void ftpDownload(FrmFTP *ftp, const QString &file, const QString &target,
                     std::function<void()> whileRunning);

    XInput m_input;
    ModalAnswers m_answers;
    std::unique_ptr<QTemporaryDir> m_root;
    QPointer<FrmMain> m_main;
};

void E2eMainWindow::initTestCase()
{
    QVERIFY2(m_input.isOpen(), "no X test extension on the display");
    QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
}

void E2eMainWindow::start()
{
    // Each scenario starts from the shipped knowledge bases in a fresh data root.
    m_root = std::make_unique<QTemporaryDir>();
    QVERIFY(m_root->isValid());
    qputenv("MARLUX_HOME", m_root->path().toUtf8());
    const QDir shipped(qEnvironmentVariable("MARLUX_BUILD_DIR") + QStringLiteral("/bin/Database"));
    QVERIFY2(shipped.exists(QStringLiteral("C++.mdb")), qPrintable(shipped.path()));
    QDir().mkpath(m_root->filePath(QStringLiteral("Database")));
    for (const QString &name : shipped.entryList(QDir::Files))
        QVERIFY(QFile::copy(shipped.filePath(name),
                            m_root->filePath(QStringLiteral("Database/") + name)));

    m_main = new FrmMain;
    m_main->MDIForm_Load();
    m_main->showMaximized();
    if (bareDisplay()) {
        QVERIFY(QTest::qWaitForWindowExposed(m_main, Patience));
        m_main->activateWindow();
    }
    QVERIFY(QTest::qWaitForWindowActive(m_main, Patience));
}

void E2eMainWindow::finish()
{
    if (!m_main)
        return;
    // Leaves through the real quit question; a record still being edited is not saved.
    m_answers.expect(QStringLiteral("EXIT"), QStringLiteral("Yes"));
    for (QMdiSubWindow *child : m_main->mdiArea()->subWindowList())
        if (auto *record = dynamic_cast<FrmRecord *>(child->widget());
            record && record->hasPendingChange())
            m_answers.expect(QStringLiteral("SAVE CHANGE"), QStringLiteral("No"));
    m_input.key(QStringLiteral("F4"), {QStringLiteral("Alt_L")});
    QTRY_VERIFY_WITH_TIMEOUT(!m_main->isVisible(), Patience);
    QVERIFY(m_answers.done());
    delete m_main;
}

void E2eMainWindow::cleanup()
{
    // A failed scenario leaves its window: take it down without asking.
    if (m_main) {
        for (QMdiSubWindow *child : m_main->mdiArea()->subWindowList())
            if (auto *record = dynamic_cast<FrmRecord *>(child->widget());
                record && record->hasPendingChange())
                record->CancelChange(true);
        m_main->MDIForm_Unload();
        delete m_main;
    }
    m_answers.clear();
    db::DBEngine::closeAll();
    m_root.reset();
}

FrmRecord *E2eMainWindow::activeRecord() const
{
    QMdiSubWindow *child = m_main->mdiArea()->activeSubWindow();
    return child ? dynamic_cast<FrmRecord *>(child->widget()) : nullptr;
}

void E2eMainWindow::clickMain(const QString &key)
{
    QWidget *button = toolButton(m_main->ToolBarMain, m_main->toolbarButton(key));
    QVERIFY2(button, qPrintable(key));
    QTRY_VERIFY_WITH_TIMEOUT(button->isVisible(), Patience);
    m_input.click(button);
}

void E2eMainWindow::clickEdit(const QString &key)
{
    QWidget *button = toolButton(m_main->TBEdit, m_main->toolbarButton(key));
    QVERIFY2(button, qPrintable(key));
    QTRY_VERIFY_WITH_TIMEOUT(button->isVisible(), Patience);
    m_input.click(button);
}

void E2eMainWindow::openDatabase(const QString &key)
{
    QAction *action = m_main->DBToolbar->findChild<QAction *>(key);
    QWidget *button = toolButton(m_main->DBToolbar, action);
    QVERIFY2(button && button->isVisible(), qPrintable(key));
    m_input.click(button);
    QTRY_VERIFY_WITH_TIMEOUT(activeRecord() && activeRecord()->windowTitle() == key, Patience);
}

void E2eMainWindow::pickTopic(int row)
{
    // Through the combo's own drop-down, as a user picks it.
    QComboBox *combo = m_main->ComboTable;
    QTRY_VERIFY_WITH_TIMEOUT(combo->isEnabled() && combo->count() > row, Patience);
    m_input.click(combo);
    QTRY_VERIFY_WITH_TIMEOUT(combo->view()->isVisible(), Patience);
    QAbstractItemView *view = combo->view();
    const QModelIndex index = view->model()->index(row, combo->modelColumn());
    view->scrollTo(index);
    m_input.click(view->viewport(), view->visualRect(index).center());
    QTRY_VERIFY_WITH_TIMEOUT(!combo->view()->isVisible(), Patience);
    QTRY_COMPARE_WITH_TIMEOUT(activeRecord()->currentTopic(), combo->itemText(row), Patience);
}

void E2eMainWindow::clickQuestion(int row)
{
    QListWidget *list = m_main->ListRecords;
    QTRY_VERIFY_WITH_TIMEOUT(list->count() > row, Patience);
    list->scrollToItem(list->item(row));
    // By its part on view: the list scrolls sideways far beyond its width.
    const QRect item = list->visualItemRect(list->item(row));
    m_input.click(list->viewport(), item.intersected(list->viewport()->rect()).center());
    QTRY_COMPARE_WITH_TIMEOUT(activeRecord()->recordPosition(), row, Patience);
}

QStringList E2eMainWindow::topics() const
{
    QStringList names;
    for (int i = 0; i < m_main->ComboTable->count(); ++i)
        names.append(m_main->ComboTable->itemText(i));
    return names;
}

void E2eMainWindow::chooseSearchDatabase(const QString &key)
{
    QComboBox *databases = m_main->ComboSrhDBName;
    m_input.click(databases);
    QTRY_VERIFY_WITH_TIMEOUT(databases->view()->isVisible(), Patience);
    const int row = databases->findData(key);
    const QModelIndex index = databases->view()->model()->index(row, 0);
    databases->view()->scrollTo(index);
    m_input.click(databases->view()->viewport(), databases->view()->visualRect(index).center());
    QTRY_COMPARE_WITH_TIMEOUT(databases->currentIndex(), row, Patience);
}

// Searches a knowledge base for a word typed into the keyword box, on the [Search] tab.
void E2eMainWindow::search(const QString &key, const QString &word)
{
    if (m_main->ComboSrhDBName->currentData().toString() != key)
        chooseSearchDatabase(key);
    QLineEdit *keyword = m_main->ComboKeyWord->lineEdit();
    m_input.click(keyword);
    QTRY_VERIFY_WITH_TIMEOUT(keyword->hasFocus(), Patience);
    m_input.key(QStringLiteral("a"), {QStringLiteral("Control_L")});
    m_input.key(QStringLiteral("Delete"));
    m_input.type(word);
    m_input.key(QStringLiteral("End"));
    m_input.key(QStringLiteral("Return"));
}

// Open a knowledge base, pick a topic, click a question, add, edit, save and delete a record
// (typing through the edit toolbar and the font boxes), search, come back, quit.
void E2eMainWindow::mainRoad()
{
    start();

    // Nothing to edit yet: no edit toolbar, no Save Record, no Discard.
    QVERIFY(!m_main->TBEdit->isVisibleTo(m_main));
    QVERIFY(!m_main->toolbarButton(QStringLiteral("Save Record"))->isVisible());
    QVERIFY(!m_main->toolbarButton(QStringLiteral("Discard"))->isVisible());

    openDatabase(QStringLiteral("C++"));
    pickTopic(0);
    const QString topic = activeRecord()->currentTopic();
    clickQuestion(1);
    QCOMPARE(activeRecord()->RTBQuestion->toPlainText(), m_main->ListRecords->item(1)->text());
    QVERIFY(!m_main->TBEdit->isVisibleTo(m_main));
    const int before = m_main->ListRecords->count();

    // Add a record; every key typed after a toolbar click lands in the answer.
    clickMain(QStringLiteral("Add New"));
    FrmRecord *record = activeRecord();
    QTRY_VERIFY_WITH_TIMEOUT(record->hasPendingChange(), Patience);
    QTRY_VERIFY_WITH_TIMEOUT(m_main->TBEdit->isVisible(), Patience);
    QTRY_VERIFY_WITH_TIMEOUT(record->RTBQuestion->hasFocus(), Patience);
    m_input.type(QStringLiteral("What does an end to end test drive"));
    QTRY_COMPARE_WITH_TIMEOUT(record->RTBQuestion->toPlainText(),
                              QStringLiteral("What does an end to end test drive"), Patience);
    m_input.click(record->RTBAnswer);
    QTRY_VERIFY_WITH_TIMEOUT(record->RTBAnswer->hasFocus(), Patience);
    m_input.type(QStringLiteral("abc"));
    clickEdit(QStringLiteral("Italic"));
    m_input.type(QStringLiteral("def"));
    clickEdit(QStringLiteral("Bold"));
    clickEdit(QStringLiteral("Center"));
    m_input.type(QStringLiteral("ghi"));
    QTRY_COMPARE_WITH_TIMEOUT(record->RTBAnswer->text(), QStringLiteral("abcdefghi"), Patience);
    QVERIFY(record->RTBAnswer->hasFocus());
    QCOMPARE(record->RTBAnswer->selAlignment(), int(RichTextBox::AlignCentre));
    QCOMPARE(record->RTBAnswer->selItalic(), std::optional<bool>(true));
    QCOMPARE(record->RTBAnswer->selBold(), std::optional<bool>(true));

    // The font boxes format the selection: a size typed into its box, a name picked from its
    // list.
    m_input.key(QStringLiteral("Home"), {QStringLiteral("Shift_L")});
    QTRY_COMPARE_WITH_TIMEOUT(record->RTBAnswer->selText(), QStringLiteral("abcdefghi"), Patience);
    QLineEdit *sizeEdit = m_main->ComboFontSize->lineEdit();
    m_input.click(sizeEdit);
    QTRY_VERIFY_WITH_TIMEOUT(sizeEdit->hasFocus(), Patience);
    m_input.key(QStringLiteral("a"), {QStringLiteral("Control_L")});
    m_input.type(QStringLiteral("20\n"));
    QTRY_COMPARE_WITH_TIMEOUT(record->RTBAnswer->selFontSize(), 20.0, Patience);
    QComboBox *fonts = m_main->ComboFont;
    const int wanted = fonts->currentIndex() == 0 ? 1 : 0;
    const QString family = fonts->itemText(wanted);
    m_input.click(fonts);
    QTRY_VERIFY_WITH_TIMEOUT(fonts->view()->isVisible(), Patience);
    const QModelIndex index = fonts->view()->model()->index(wanted, 0);
    fonts->view()->scrollTo(index);
    m_input.click(fonts->view()->viewport(), fonts->view()->visualRect(index).center());
    QTRY_COMPARE_WITH_TIMEOUT(record->RTBAnswer->selFontName(), family, Patience);
    QCOMPARE(record->RTBAnswer->selFontSize(), 20.0);

    m_answers.expect(QStringLiteral("SUCCEED"), QStringLiteral("Ok"));
    clickMain(QStringLiteral("Save Record"));
    QTRY_VERIFY_WITH_TIMEOUT(m_answers.done(), Patience);
    QTRY_VERIFY_WITH_TIMEOUT(!record->hasPendingChange(), Patience);
    QTRY_COMPARE_WITH_TIMEOUT(m_main->ListRecords->count(), before + 1, Patience);
    QVERIFY(!m_main->TBEdit->isVisible());
    QVERIFY(!m_main->toolbarButton(QStringLiteral("Save Record"))->isVisible());
    const auto added = m_main->ListRecords->findItems(
        QStringLiteral("What does an end to end test drive"), Qt::MatchExactly);
    QCOMPARE(added.size(), 1);

    // Edit the new record, then save it.
    clickQuestion(m_main->ListRecords->row(added.first()));
    clickMain(QStringLiteral("Edit"));
    QTRY_VERIFY_WITH_TIMEOUT(record->hasPendingChange(), Patience);
    m_input.click(record->RTBAnswer);
    QTRY_VERIFY_WITH_TIMEOUT(record->RTBAnswer->hasFocus(), Patience);
    m_input.key(QStringLiteral("End"), {QStringLiteral("Control_L")});
    m_input.type(QStringLiteral(" jkl"));
    QTRY_COMPARE_WITH_TIMEOUT(record->RTBAnswer->text(), QStringLiteral("abcdefghi jkl"), Patience);
    m_answers.expect(QStringLiteral("SUCCEED"), QStringLiteral("Ok"));
    clickMain(QStringLiteral("Save Record"));
    QTRY_VERIFY_WITH_TIMEOUT(!record->hasPendingChange(), Patience);
    QVERIFY(m_answers.done());
    QCOMPARE(record->RTBAnswer->text(), QStringLiteral("abcdefghi jkl"));

    // Delete it again.
    m_answers.expect(QStringLiteral("Confirm Deleting!"), QStringLiteral("Yes"));
    clickMain(QStringLiteral("Delete"));
    QTRY_VERIFY_WITH_TIMEOUT(m_answers.done(), Patience);
    QTRY_COMPARE_WITH_TIMEOUT(m_main->ListRecords->count(), before, Patience);
    QVERIFY(m_main->ListRecords
                ->findItems(QStringLiteral("What does an end to end test drive"), Qt::MatchExactly)
                .isEmpty());

    // Search the same knowledge base for a word of the question on screen.
    clickQuestion(0);
    const QString question = m_main->ListRecords->item(0)->text();
    const QString word = searchWordOf(question);
    QVERIFY2(!word.isEmpty(), qPrintable(question));
    QTabBar *tabs = m_main->SSTabMain->tabBar();
    m_input.click(tabs, tabs->tabRect(1).center());
    QTRY_COMPARE_WITH_TIMEOUT(m_main->SSTabMain->currentIndex(), 1, Patience);
    search(QStringLiteral("C++"), word);
    QTRY_VERIFY_WITH_TIMEOUT(m_main->ListResult->topLevelItemCount() > 0, Patience);
    QTRY_VERIFY_WITH_TIMEOUT(m_main->SearchResultForm, Patience);
    auto *results = dynamic_cast<FrmRecord *>(m_main->SearchResultForm.data());
    QVERIFY(results && results->SearchMode());
    QTreeWidgetItem *hit = m_main->ListResult->topLevelItem(0);
    m_input.click(m_main->ListResult->viewport(), m_main->ListResult->visualItemRect(hit).center());
    QTRY_COMPARE_WITH_TIMEOUT(results->RTBQuestion->toPlainText(), hit->text(0), Patience);
    QVERIFY(hit->text(0).contains(word, Qt::CaseInsensitive));

    // Back on [Records]: the record windows come back with the topic as it was.
    m_input.click(tabs, tabs->tabRect(0).center());
    QTRY_COMPARE_WITH_TIMEOUT(m_main->SSTabMain->currentIndex(), 0, Patience);
    QMdiSubWindow *cppWindow = m_main->subWindowOf(record);
    QTRY_VERIFY_WITH_TIMEOUT(cppWindow->isVisible(), Patience);
    QTRY_COMPARE_WITH_TIMEOUT(activeRecord(), record, Patience);
    QCOMPARE(m_main->ComboTable->currentText(), topic);

    finish();
}

// Switching record windows after an edit, the left panel's close image, and the edit toolbar
// staying hidden whenever nothing is edited. The View menu's items show no help in the status
// bar.
void E2eMainWindow::windowsAfterEditing()
{
    start();
    openDatabase(QStringLiteral("C++"));
    FrmRecord *cpp = activeRecord();
    pickTopic(0);
    clickQuestion(0);
    const QStringList cppTopics = topics();

    // Edit, Save, then Java: Java becomes the window everything acts on.
    clickMain(QStringLiteral("Edit"));
    QTRY_VERIFY_WITH_TIMEOUT(cpp->hasPendingChange(), Patience);
    m_input.click(cpp->RTBAnswer);
    QTRY_VERIFY_WITH_TIMEOUT(cpp->RTBAnswer->hasFocus(), Patience);
    m_input.type(QStringLiteral("x"));
    m_answers.expect(QStringLiteral("SUCCEED"), QStringLiteral("Ok"));
    clickMain(QStringLiteral("Save Record"));
    QTRY_VERIFY_WITH_TIMEOUT(!cpp->hasPendingChange(), Patience);
    openDatabase(QStringLiteral("Java"));
    FrmRecord *java = activeRecord();
    QVERIFY(java != cpp);
    QTest::qWait(500);
    QCOMPARE(activeRecord(), java);
    QVERIFY(topics() != cppTopics);
    pickTopic(0);
    QCOMPARE(java->currentTopic(), m_main->ComboTable->itemText(0));

    // The same after Discard, from the Java window back to C++.
    clickQuestion(0);
    clickMain(QStringLiteral("Edit"));
    QTRY_VERIFY_WITH_TIMEOUT(java->hasPendingChange(), Patience);
    m_answers.expect(QStringLiteral("CANCEL"), QStringLiteral("Yes"));
    clickMain(QStringLiteral("Discard"));
    QTRY_VERIFY_WITH_TIMEOUT(!java->hasPendingChange(), Patience);
    QTRY_VERIFY_WITH_TIMEOUT(m_main->isActiveWindow(), Patience);
    m_input.click(m_main->subWindowOf(cpp), QPoint(m_main->subWindowOf(cpp)->width() / 2, 10));
    QTRY_COMPARE_WITH_TIMEOUT(activeRecord(), cpp, Patience);
    QTest::qWait(500);
    QCOMPARE(activeRecord(), cpp);
    QTRY_COMPARE_WITH_TIMEOUT(topics(), cppTopics, Patience);
    QVERIFY(!m_main->TBEdit->isVisible());

    // The left panel's close image and View > Database Viewer agree.
    QAction *viewer = m_main->menuItem(QStringLiteral("mnuDbViewer"));
    QVERIFY(viewer->isChecked());
    m_input.click(m_main->ImgCloseDBBar);
    QTRY_VERIFY_WITH_TIMEOUT(!m_main->PanelLeftDock->isVisible(), Patience);
    QVERIFY(!viewer->isChecked());
    QMenu *view = m_main->subMenu(QStringLiteral("mnuView"));
    QVERIFY(view);
    QAction *viewMenu = view->menuAction();
    m_input.click(m_main->menuBar(), m_main->menuBar()->actionGeometry(viewMenu).center());
    QTRY_VERIFY_WITH_TIMEOUT(view->isVisible(), Patience);
    // The pointer over each of the four items: the status bar keeps its own text, no help.
    const QString status = m_main->StatusPanel1->text();
    for (QAction *item : view->actions()) {
        m_input.moveTo(view->mapToGlobal(view->actionGeometry(item).center()));
        QTRY_COMPARE_WITH_TIMEOUT(view->activeAction(), item, Patience);
        QTest::qWait(100);
        QVERIFY2(m_main->MainStBar->currentMessage().isEmpty(),
                 qPrintable(m_main->MainStBar->currentMessage()));
        QVERIFY(m_main->StatusPanel1->isVisible());
        QCOMPARE(m_main->StatusPanel1->text(), status);
    }
    m_input.click(view, view->actionGeometry(viewer).center());
    QTRY_VERIFY_WITH_TIMEOUT(m_main->PanelLeftDock->isVisible(), Patience);
    QVERIFY(viewer->isChecked());

    finish();
}

// A quit the record window refuses (its save fails) leaves the main window as it was.
void E2eMainWindow::refusedQuitKeepsTheLook()
{
    start();
    QVERIFY(MSubClass::IsWatched(m_main->mdiArea()->viewport()));
    QVERIFY(MSubClass::IsWatched(m_main->TxtKeyWord));
    QVERIFY(clsTooltip::tipWindow());
    openDatabase(QStringLiteral("C++"));
    FrmRecord *record = activeRecord();
    pickTopic(0);
    clickQuestion(0);
    const QString existing = m_main->ListRecords->item(0)->text();

    // A new record asking the question of an existing one cannot be saved.
    clickMain(QStringLiteral("Add New"));
    QTRY_VERIFY_WITH_TIMEOUT(record->RTBQuestion->hasFocus(), Patience);
    m_input.type(existing);
    QTRY_COMPARE_WITH_TIMEOUT(record->RTBQuestion->toPlainText(), existing, Patience);
    m_input.click(record->RTBAnswer);
    QTRY_VERIFY_WITH_TIMEOUT(record->RTBAnswer->hasFocus(), Patience);
    m_input.type(QStringLiteral("again"));
    QTRY_COMPARE_WITH_TIMEOUT(record->RTBAnswer->text(), QStringLiteral("again"), Patience);

    m_answers.expect(QStringLiteral("EXIT"), QStringLiteral("Yes"));
    m_answers.expect(QStringLiteral("SAVE CHANGE"), QStringLiteral("Yes"));
    m_answers.expect(QStringLiteral("UPDATE FAILED"), QStringLiteral("Ok"));
    m_input.key(QStringLiteral("F4"), {QStringLiteral("Alt_L")});
    QTRY_VERIFY_WITH_TIMEOUT(m_answers.done(), Patience);
    QTRY_VERIFY_WITH_TIMEOUT(m_main->isActiveWindow(), Patience);
    QVERIFY(m_main->isVisible());
    QVERIFY(record->hasPendingChange());
    QCOMPARE(record->RTBAnswer->text(), QStringLiteral("again"));

    // Background, menus, tips and flat controls are all still in place.
    QVERIFY(MSubClass::IsWatched(m_main->mdiArea()->viewport()));
    QVERIFY(MSubClass::IsWatched(m_main->TxtKeyWord));
    QVERIFY(clsTooltip::tipWindow());

    finish();
}

// After a message box, with or without a window manager to hand the focus back, a database
// button makes its new window the one everything acts on.
void E2eMainWindow::newWindowAfterAMessageBox()
{
    start();
    openDatabase(QStringLiteral("C++"));
    FrmRecord *cpp = activeRecord();
    pickTopic(0);
    const QStringList cppTopics = topics();
    clickQuestion(0);
    clickMain(QStringLiteral("Edit"));
    QTRY_VERIFY_WITH_TIMEOUT(cpp->hasPendingChange(), Patience);
    m_answers.expect(QStringLiteral("CANCEL"), QStringLiteral("Yes"));
    clickMain(QStringLiteral("Discard"));
    QTRY_VERIFY_WITH_TIMEOUT(!cpp->hasPendingChange(), Patience);
    QVERIFY(m_answers.done());

    QAction *action = m_main->DBToolbar->findChild<QAction *>(QStringLiteral("Java"));
    m_input.click(toolButton(m_main->DBToolbar, action));
    QTRY_VERIFY_WITH_TIMEOUT(m_main->RecordForms[2], Patience);
    auto *java = dynamic_cast<FrmRecord *>(m_main->RecordForms[2].data());
    QTRY_COMPARE_WITH_TIMEOUT(activeRecord(), java, Patience);
    QTest::qWait(500);
    QCOMPARE(activeRecord(), java);
    QVERIFY(!topics().isEmpty());
    QVERIFY(topics() != cppTopics);
    pickTopic(0);
    QCOMPARE(java->currentTopic(), m_main->ComboTable->itemText(0));
    QCOMPARE(cpp->currentTopic(), cppTopics.first());

    if (!bareDisplay())
        finish();
}

// Typing a keyword completes it from the history without getting in the way, and a search goes
// to the database chosen last.
void E2eMainWindow::searchKeywordsAtTheKeyboard()
{
    start();
    QTabBar *tabs = m_main->SSTabMain->tabBar();
    m_input.click(tabs, tabs->tabRect(1).center());
    QTRY_COMPARE_WITH_TIMEOUT(m_main->SSTabMain->currentIndex(), 1, Patience);
    QSignalSpy finished(m_main.data(), &FrmMain::searchFinished);
    search(QStringLiteral("C++"), QStringLiteral("class"));
    QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, Patience);

    // "cl" completes to the word searched before, the rest selected; Backspace takes the
    // completion away and does not bring it back.
    QLineEdit *keyword = m_main->ComboKeyWord->lineEdit();
    // The results window took the focus: back to the keyword box, as a user would.
    m_input.click(keyword);
    QTRY_VERIFY_WITH_TIMEOUT(keyword->hasFocus(), Patience);
    m_input.key(QStringLiteral("a"), {QStringLiteral("Control_L")});
    m_input.key(QStringLiteral("Delete"));
    QTRY_VERIFY_WITH_TIMEOUT(keyword->text().isEmpty(), Patience);
    m_input.type(QStringLiteral("cl"));
    QTRY_COMPARE_WITH_TIMEOUT(keyword->text(), QStringLiteral("class"), Patience);
    QCOMPARE(keyword->selectedText(), QStringLiteral("ass"));
    m_input.key(QStringLiteral("BackSpace"));
    QTRY_COMPARE_WITH_TIMEOUT(keyword->text(), QStringLiteral("cl"), Patience);
    QTest::qWait(300);
    QCOMPARE(keyword->text(), QStringLiteral("cl"));

    // Another database: the next search looks there only.
    chooseSearchDatabase(QStringLiteral("Java"));
    search(QStringLiteral("Java"), QStringLiteral("class"));
    QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 2, Patience);
    QCOMPARE(m_main->SearchDatabaseName, QStringLiteral("Java"));
    QStringList javaTopics;
    for (int i = 0; i < m_main->TablesName->count(); ++i)
        javaTopics.append(m_main->TablesName->item(i)->text());
    QVERIFY(m_main->ListResult->topLevelItemCount() > 0);
    for (int i = 0; i < m_main->ListResult->topLevelItemCount(); ++i)
        QVERIFY(javaTopics.contains(m_main->ListResult->topLevelItem(i)->text(1)));

    finish();
}

// A tool opened from the tool toolbar of the second top-band tab.
void E2eMainWindow::openTool(const QString &key)
{
    QTabBar *top = m_main->SSTabTop->tabBar();
    if (m_main->SSTabTop->currentIndex() != 1) {
        m_input.click(top, top->tabRect(1).center());
        QTRY_COMPARE_WITH_TIMEOUT(m_main->SSTabTop->currentIndex(), 1, Patience);
    }
    QWidget *button = toolButton(m_main->TBTool, m_main->toolbarButton(key));
    QVERIFY2(button, qPrintable(key));
    QTRY_VERIFY_WITH_TIMEOUT(button->isVisible() && button->isEnabled(), Patience);
    m_input.click(button);
}

namespace {

QWidget *ftpButton(FrmFTP *ftp, const QString &key)
{
    for (QAction *action : ftp->tbToolBar->actions())
        if (action->text() == key)
            return toolButton(ftp->tbToolBar, action);
    return nullptr;
}

QTreeWidgetItem *listed(FrmFTP *ftp, const QString &name)
{
    for (int i = 0; i < ftp->lvListView->topLevelItemCount(); ++i)
        if (ftp->lvListView->topLevelItem(i)->text(0) == name)
            return ftp->lvListView->topLevelItem(i);
    return nullptr;
}

} // namespace

// Types a path into a real file box and takes it.
void E2eMainWindow::fillFileBox(QWidget *dialog, const QString &path)
{
    auto *name = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
    if (!name) {
        m_input.key(QStringLiteral("Escape"));
        return;
    }
    if (!name->hasFocus())
        m_input.click(name);
    m_input.key(QStringLiteral("a"), {QStringLiteral("Control_L")});
    m_input.type(path);
    if (!QTest::qWaitFor([name, path] { return name->text() == path; }, Patience))
        qWarning("file name box: %s", qPrintable(name->text()));
    m_input.key(QStringLiteral("Return"));
}

// Connects the FTP window through its connect dialog (anonymous, as it proposes).
void E2eMainWindow::ftpConnect(FrmFTP *ftp, const QString &address)
{
    m_answers.expectWith(QStringLiteral("Connect to site:"), [this, address](QWidget *window) {
        auto *dialog = qobject_cast<frmConnect *>(window);
        if (!dialog)
            return;
        // A failed step shows in the checks after the dialog; the dialog must end either way.
        m_input.click(dialog->txtURL);
        m_input.key(QStringLiteral("a"), {QStringLiteral("Control_L")});
        m_input.type(address);
        if (!QTest::qWaitFor([dialog, address] { return dialog->txtURL->currentText() == address; },
                             Patience))
            qWarning("address box: %s", qPrintable(dialog->txtURL->currentText()));
        m_input.click(dialog->cmdOK);
    });
    m_input.click(ftpButton(ftp, QStringLiteral("Connect")));
    QTRY_VERIFY_WITH_TIMEOUT(m_answers.done() && !QApplication::activeModalWidget(), Patience);
}

// Picks a file in the connected FTP window's list and starts its download into `target`
// through the real save box; `whileRunning` acts once the data flows, from inside the
// download's own wait.
void E2eMainWindow::ftpDownload(FrmFTP *ftp, const QString &file, const QString &target,
                                std::function<void()> whileRunning)
{
    QTRY_VERIFY_WITH_TIMEOUT(listed(ftp, file), Patience);
    QTreeWidgetItem *item = listed(ftp, file);
    m_input.click(ftp->lvListView->viewport(), ftp->lvListView->visualItemRect(item).center());
    QTRY_VERIFY_WITH_TIMEOUT(item->isSelected(), Patience);

    m_answers.expectWith(QStringLiteral("Download file and save as..."),
                         [this, target](QWidget *dialog) { fillFileBox(dialog, target); });
    auto flowing = std::make_shared<bool>(false);
    connect(ftp->connection(), &CFtpConnection::downloadProgress, ftp,
            [flowing](qint64 bytes) { *flowing = bytes > 0; });
    m_answers.whenReady([flowing] { return *flowing; }, std::move(whileRunning));
    // The whole download, the save box and what acts during it run inside this click.
    m_input.click(ftpButton(ftp, QStringLiteral("Download")));
}

// Connect to a real server through the dialog typed at the keyboard, start a long download,
// and close the FTP window while the data flows: first with its Exit button, then by a
// top-band tab, which closes every tool window. No question is left behind, nothing
// crashes, and the knowledge base opens afterwards.
void E2eMainWindow::ftpCloseDuringDownload()
{
    PyFtpServer server({QStringLiteral("--throttle"), QStringLiteral("131072")});
    QVERIFY2(server.start(), qPrintable(server.errorText()));
    writeRandomFile(server.root() + QStringLiteral("/big.bin"), 8 << 20);
    QTemporaryDir local(QDir::tempPath() + QStringLiteral("/e2eftp-XXXXXX"));
    QVERIFY(local.isValid());
    start();
    openTool(QStringLiteral("FTP"));
    FrmFTP *ftp = nullptr;
    QTRY_VERIFY_WITH_TIMEOUT((ftp = m_main->findChild<FrmFTP *>()) && ftp->isVisible(), Patience);

    // The dialog's address box: typed as typed, a stored address completes, Backspace takes
    // the completion away for good.
    QString typed;
    QStringList cutLabels;
    m_answers.expectWith(QStringLiteral("Connect to site:"), [&](QWidget *window) {
        auto *dialog = qobject_cast<frmConnect *>(window);
        if (!dialog)
            return;
        // Each 3D label shows its whole caption.
        for (QWidget *label : {dialog->lblAddress, dialog->lblUserName, dialog->lblPassword}) {
            const QString caption = label->property("Caption").toString();
            const QVariant font = label->property("Font");
            if (label->width() < QFontMetrics(font.value<QFont>()).horizontalAdvance(caption))
                cutLabels.append(caption);
        }
        m_input.click(dialog->txtURL);
        if (!QTest::qWaitFor([dialog] { return dialog->txtURL->hasFocus(); }, Patience))
            return;
        m_input.type(QStringLiteral("127.0.0.1"));
        QTest::qWait(300);
        typed = dialog->txtURL->currentText();
        QLineEdit *edit = dialog->txtURL->lineEdit();
        m_input.key(QStringLiteral("a"), {QStringLiteral("Control_L")});
        m_input.type(QStringLiteral("loc"));
        if (!QTest::qWaitFor([edit] { return edit->selectedText() == QLatin1String("alhost"); },
                             Patience))
            typed += QStringLiteral(" / no completion: ") + edit->text();
        m_input.key(QStringLiteral("BackSpace"));
        QTest::qWait(300);
        typed += QStringLiteral(" / ") + edit->text();
        m_input.click(dialog->cmdCancel);
    });
    m_input.click(ftpButton(ftp, QStringLiteral("Connect")));
    QTRY_VERIFY_WITH_TIMEOUT(m_answers.done() && !QApplication::activeModalWidget(), Patience);
    QCOMPARE(typed, QStringLiteral("127.0.0.1 / loc"));
    QCOMPARE(cutLabels, QStringList());

    // Exit while the download runs.
    QPointer<QMdiSubWindow> frame = m_main->subWindowOf(ftp);
    QVERIFY(frame);
    QWidget *exitButton = ftpButton(ftp, QStringLiteral("Exit"));
    QVERIFY(exitButton);
    ftpConnect(ftp, server.address());
    ftpDownload(ftp, QStringLiteral("big.bin"), local.filePath(QStringLiteral("first.bin")),
                [this, exitButton] { m_input.click(exitButton); });
    if (QTest::currentTestFailed())
        return;
    QTRY_VERIFY_WITH_TIMEOUT(!frame || !frame->isVisible(), Patience);
    QTRY_VERIFY_WITH_TIMEOUT(m_answers.done(), Patience);
    QCOMPARE(m_answers.seen(),
             QStringList({QStringLiteral("Connect to site:"), QStringLiteral("Connect to site:"),
                          QStringLiteral("Download file and save as...")}));
    QVERIFY(m_main->isVisible());

    // Again, and a click on the first top-band tab while the data flows.
    m_answers.clear();
    openTool(QStringLiteral("FTP"));
    QTRY_VERIFY_WITH_TIMEOUT((ftp = m_main->findChild<FrmFTP *>()) && ftp->isVisible(), Patience);
    frame = m_main->subWindowOf(ftp);
    QTabBar *top = m_main->SSTabTop->tabBar();
    ftpConnect(ftp, server.address());
    ftpDownload(ftp, QStringLiteral("big.bin"), local.filePath(QStringLiteral("second.bin")),
                [this, top] { m_input.click(top, top->tabRect(0).center()); });
    if (QTest::currentTestFailed())
        return;
    QTRY_VERIFY_WITH_TIMEOUT(!frame || !frame->isVisible(), Patience);
    QTRY_VERIFY_WITH_TIMEOUT(m_answers.done(), Patience);
    QCOMPARE(m_answers.seen(), QStringList({QStringLiteral("Connect to site:"),
                                            QStringLiteral("Download file and save as...")}));
    QTRY_COMPARE_WITH_TIMEOUT(m_main->SSTabTop->currentIndex(), 0, Patience);
    QVERIFY(m_main->SSTabMain->isVisible());
    openDatabase(QStringLiteral("C++"));

    finish();
}

// The telnet window against a host that records what it gets: a typo corrected with the
// real Backspace key arrives as an erase the host takes (DEL), and once the host asks for
// application cursor keys an arrow arrives as ESC O x. In a UTF-8 locale the window asks for
// BINARY, typed umlauts and the euro sign arrive as UTF-8, and the host's UTF-8 text shows
// as characters, the pound sign of the United Kingdom set too.
void E2eMainWindow::telnetKeysReachTheHost()
{
    QTcpServer host;
    QVERIFY(host.listen(QHostAddress::LocalHost, 0));
    QPointer<QTcpSocket> peer;
    QByteArray received;
    connect(&host, &QTcpServer::newConnection, &host, [&] {
        peer = host.nextPendingConnection();
        connect(peer, &QTcpSocket::readyRead, &host, [&] { received += peer->readAll(); });
    });
    start();
    frmTelnet *telnet = openUtf8Telnet();
    QVERIFY(telnet && telnet->utf8());

    telnetConnect(telnet, host.serverPort());
    QTRY_VERIFY_WITH_TIMEOUT(peer && telnet->isConnected(), Patience);
    QTRY_VERIFY_WITH_TIMEOUT(received.endsWith(QByteArray("\xff\xfb\x00\xff\xfd\x00", 6)),
                             Patience);
    peer->write(QByteArray("\xff\xfd\x00\xff\xfb\x00", 6) + "login: ");
    QTRY_VERIFY_WITH_TIMEOUT(telnet->hasFocus(), Patience);

    m_input.type(QStringLiteral("roox"));
    m_input.key(QStringLiteral("BackSpace"));
    m_input.type(QStringLiteral("t\n"));
    QTRY_VERIFY2_WITH_TIMEOUT(received.endsWith("roox\x7ft\r"), received.toHex(' ').constData(),
                              Patience);

    received.clear();
    m_input.type(QString::fromUtf8("a\u00fc\u20ac\n"));
    QTRY_VERIFY2_WITH_TIMEOUT(received == "a\xc3\xbc\xe2\x82\xac\r",
                              received.toHex(' ').constData(), Patience);
    peer->write("\r\ngr\xc3\xbc\xc3\x9f"
                "e \x1b(A#\x1b(B#");
    const Telnet &screen = telnet->screenView()->screen();
    QTRY_COMPARE_WITH_TIMEOUT(screen.character(screen.CursorRow(), 7), char32_t('#'), Patience);
    QString line;
    for (int column = 0; column < 8; ++column) {
        const char32_t c = screen.character(screen.CursorRow(), column);
        line += QString::fromUcs4(&c, 1);
    }
    QCOMPARE(line, QString::fromUtf8("gr\u00fc\u00dfe \u00a3#"));

    received.clear();
    peer->write("\x1b[?1h");
    QTRY_VERIFY_WITH_TIMEOUT(telnet->screenView()->screen().cursorKeysApplication(), Patience);
    m_input.key(QStringLiteral("Up"));
    m_input.key(QStringLiteral("Left"));
    QTRY_COMPARE_WITH_TIMEOUT(received, QByteArray("\x1bOA\x1bOD"), Patience);

    QPointer<QWidget> frame = m_main->subWindowOf(telnet);
    m_input.click(toolButton(telnet->TBTelnet(), telnet->toolbarButton(QStringLiteral("Exit"))));
    QTRY_VERIFY_WITH_TIMEOUT(!frame || !frame->isVisible(), Patience);
    QTRY_VERIFY_WITH_TIMEOUT(!peer || peer->state() != QAbstractSocket::ConnectedState, Patience);
    finish();
}

// Connects the telnet window to a host on this machine through its settings dialog.
// The window takes the locale's character set when it is made.
frmTelnet *E2eMainWindow::openUtf8Telnet()
{
    const QByteArray locale = setlocale(LC_CTYPE, nullptr);
    setlocale(LC_CTYPE, "C.UTF-8");
    openTool(QStringLiteral("Telnet"));
    frmTelnet *telnet = nullptr;
    const bool shown = QTest::qWaitFor(
        [&] { return (telnet = m_main->findChild<frmTelnet *>()) && telnet->isVisible(); },
        Patience);
    setlocale(LC_CTYPE, locale.constData());
    return shown ? telnet : nullptr;
}

void E2eMainWindow::telnetConnect(frmTelnet *telnet, quint16 hostPort)
{
    const QString port = QString::number(hostPort);
    m_answers.expectWith(QStringLiteral("Connect To:"), [this, port](QWidget *window) {
        auto *dialog = qobject_cast<frmTCPIP *>(window);
        if (!dialog)
            return;
        for (QLineEdit *edit : {dialog->txtRemoteAddress, dialog->txtPort}) {
            const QString text = edit == dialog->txtPort ? port : QStringLiteral("127.0.0.1");
            m_input.click(edit);
            m_input.key(QStringLiteral("a"), {QStringLiteral("Control_L")});
            m_input.type(text);
            if (!QTest::qWaitFor([edit, text] { return edit->text() == text; }, Patience))
                qWarning("settings box: %s", qPrintable(edit->text()));
        }
        m_input.click(dialog->cmdOK);
    });
    m_input.click(toolButton(telnet->TBTelnet(), telnet->toolbarButton(QStringLiteral("Connect"))));
    QTRY_VERIFY_WITH_TIMEOUT(m_answers.done() && !QApplication::activeModalWidget(), Patience);
}

// The FTP window from the Tools menu beside a connected telnet window. Stop during a download
// and during an upload, answered at the real question: nothing of the stopped transfer stays in
// the title strip, and the stopped upload says what the server holds, which the refreshed list
// shows. Then File > Exit while a download runs: one "Yes" ends the program. The transfer
// stops as Stop stops it (what came stays for a resume), both windows unload, and the telnet
// host sees its connection closed.
void E2eMainWindow::ftpStopAndExitDuringTransfers()
{
    PyFtpServer server({QStringLiteral("--throttle"), QStringLiteral("131072")});
    QVERIFY2(server.start(), qPrintable(server.errorText()));
    constexpr qint64 size = 8 << 20;
    writeRandomFile(server.root() + QStringLiteral("/big.bin"), size);
    QTemporaryDir local(QDir::tempPath() + QStringLiteral("/e2eftp-XXXXXX"));
    QVERIFY(local.isValid());
    const QString source = local.filePath(QStringLiteral("up.bin"));
    writeRandomFile(source, size, 5);
    QTcpServer host;
    QVERIFY(host.listen(QHostAddress::LocalHost, 0));
    QPointer<QTcpSocket> peer;
    connect(&host, &QTcpServer::newConnection, &host, [&] { peer = host.nextPendingConnection(); });
    start();

    chooseMenu(QStringLiteral("mnuTools"), QStringLiteral("mnuTelnet"));
    QPointer<frmTelnet> telnet;
    QTRY_VERIFY_WITH_TIMEOUT((telnet = m_main->findChild<frmTelnet *>()) && telnet->isVisible(),
                             Patience);
    telnetConnect(telnet, host.serverPort());
    QTRY_VERIFY_WITH_TIMEOUT(peer && telnet->isConnected(), Patience);
    chooseMenu(QStringLiteral("mnuTools"), QStringLiteral("mnuFTP"));
    QPointer<FrmFTP> ftp;
    QTRY_VERIFY_WITH_TIMEOUT((ftp = m_main->findChild<FrmFTP *>()) && ftp->isVisible(), Patience);
    QVERIFY(telnet && telnet->isConnected());
    ftpConnect(ftp, server.address());

    QWidget *stop = ftpButton(ftp, QStringLiteral("Stop"));
    QVERIFY(stop);
    // The click comes as an event of its own: its question is answered from inside it.
    auto clickStop = [this, stop] {
        QTimer::singleShot(0, stop, [this, stop] { m_input.click(stop); });
    };
    ftpDownload(ftp, QStringLiteral("big.bin"), local.filePath(QStringLiteral("big.bin")),
                [this, clickStop] {
                    m_answers.expect(QStringLiteral("ARE YOU SURE?"), QStringLiteral("Yes"));
                    m_answers.expect(QStringLiteral("ERROR"), QStringLiteral("Ok"));
                    clickStop();
                });
    if (QTest::currentTestFailed())
        return;
    QTRY_VERIFY_WITH_TIMEOUT(m_answers.done() && !ftp->connection()->busy(), Patience);
    QVERIFY2(ftp->sbStatusBar->text().isEmpty(), qPrintable(ftp->sbStatusBar->text()));
    QCOMPARE(ftp->ProgressBar1->value(), 0);

    m_answers.clear();
    m_answers.expectWith(QStringLiteral("Select file to upload"),
                         [this, source](QWidget *dialog) { fillFileBox(dialog, source); });
    auto flowing = std::make_shared<bool>(false);
    connect(ftp->connection(), &CFtpConnection::uploadProgress, ftp,
            [flowing](qint64 bytes) { *flowing = bytes > 0; });
    m_answers.whenReady([flowing] { return *flowing; }, clickStop);
    m_answers.expect(QStringLiteral("ARE YOU SURE?"), QStringLiteral("Yes"));
    m_answers.expect(QStringLiteral("CANCELLED"), QStringLiteral("Ok"));
    m_input.click(ftpButton(ftp, QStringLiteral("Upload")));
    QTRY_VERIFY_WITH_TIMEOUT(m_answers.done() && !ftp->connection()->busy(), Patience);
    const QString held =
        QString::number(QFileInfo(server.root() + QStringLiteral("/up.bin")).size());
    QVERIFY2(m_answers.seen().last().endsWith(
                 QStringLiteral("The server holds %1 of 8388608 bytes.").arg(held)),
             qPrintable(m_answers.seen().last()));
    QCOMPARE(listed(ftp, QStringLiteral("up.bin"))->text(1).remove(QLatin1Char(',')), held);
    QCOMPARE(ftp->ProgressBar1->value(), 0);

    m_answers.clear();
    const QString partial = local.filePath(QStringLiteral("partial.bin"));
    ftpDownload(ftp, QStringLiteral("big.bin"), partial, [this] {
        m_answers.expect(QStringLiteral("EXIT"), QStringLiteral("Yes"));
        // From the download's own wait, as a user's menu click comes; the quit question then
        // has its own loop, answered from outside this step.
        QTimer::singleShot(0, this, [this] {
            chooseMenu(QStringLiteral("mnuFile"), QStringLiteral("mnuFileExit"));
        });
    });
    if (QTest::currentTestFailed())
        return;
    QTRY_VERIFY_WITH_TIMEOUT(!m_main->isVisible(), Patience);
    QVERIFY(m_answers.done());
    // The save box and one quit question: nothing more to answer.
    QCOMPARE(m_answers.seen().size(), 2);
    QVERIFY(m_answers.seen().last().contains(QStringLiteral("Are you sure you want to quit?")));
    QTRY_VERIFY_WITH_TIMEOUT(!ftp && !telnet, Patience);
    QTRY_VERIFY_WITH_TIMEOUT(!peer || peer->state() != QAbstractSocket::ConnectedState, Patience);
    const qint64 kept = QFileInfo(partial).size();
    QVERIFY2(kept > 0 && kept < size, qPrintable(QString::number(kept)));
    delete m_main;
}

// Under a running tray host the program's icon docks in the tray, and a right click on it
// opens the tray menu with its default item.
void E2eMainWindow::trayIconDocks()
{
    QProcess tray;
    tray.start(QStringLiteral("trayer"),
               {QStringLiteral("--edge"), QStringLiteral("bottom"), QStringLiteral("--align"),
                QStringLiteral("right"), QStringLiteral("--widthtype"), QStringLiteral("request"),
                QStringLiteral("--height"), QStringLiteral("32")});
    QVERIFY2(tray.waitForStarted(Patience), qPrintable(tray.errorString()));
    QTRY_VERIFY_WITH_TIMEOUT(m_input.trayOwner() != 0, Patience);
    start();

    auto *sysTray = m_main->findChild<FrmSysTray *>();
    QVERIFY(sysTray && sysTray->systemTrayIcon());
    QTRY_VERIFY_WITH_TIMEOUT(sysTray->systemTrayIcon()->isVisible(), Patience);
    // The icon's own window, once the tray has it.
    QWidget *icon = nullptr;
    const auto iconWindow = [&icon] {
        for (QWidget *window : QApplication::topLevelWidgets())
            if (window->inherits("QSystemTrayIconSys"))
                icon = window;
        return icon != nullptr;
    };
    QTRY_VERIFY_WITH_TIMEOUT(iconWindow(), Patience);

    // Docked, though the tray host may still resize or move it: click where it is now, and
    // again if that click landed before it settled.
    for (int attempt = 0; attempt < 3 && !sysTray->menu()->isVisible(); ++attempt) {
        QRect docked;
        QTRY_VERIFY_WITH_TIMEOUT(!(docked = m_input.dockedGeometry(icon->winId())).isEmpty(),
                                 Patience);
        m_input.clickAt(docked.center(), 3);
        (void)QTest::qWaitFor([&] { return sysTray->menu()->isVisible(); }, Patience / 5);
    }
    QVERIFY(sysTray->menu()->isVisible());
    QCOMPARE(sysTray->menu()->defaultAction(), sysTray->menuItem(0));
    m_input.key(QStringLiteral("Escape"));
    QTRY_VERIFY_WITH_TIMEOUT(!sysTray->menu()->isVisible(), Patience);

    finish();
    tray.terminate();
    QVERIFY(tray.waitForFinished(Patience));
}

// ---- The tour: the main window and its tools working together ----------------------------

namespace {

// The tools by toolbar key, with their Tools-menu items.
const QStringList tourTools = {QStringLiteral("Telnet"), QStringLiteral("Image Navigator"),
                               QStringLiteral("FTP"), QStringLiteral("Internet")};

QString toolMenuItem(const QString &key)
{
    if (key == QLatin1String("Telnet"))
        return QStringLiteral("mnuTelnet");
    if (key == QLatin1String("Image Navigator"))
        return QStringLiteral("mnuImageNavi");
    if (key == QLatin1String("FTP"))
        return QStringLiteral("mnuFTP");
    return QStringLiteral("mnuWebSurf");
}

// The open window of a tool (not one on its way out), or nullptr.
QWidget *openTool(FrmMain *main, const QString &key)
{
    for (QMdiSubWindow *child : main->mdiArea()->subWindowList()) {
        QWidget *form = child->widget();
        if (child->isHidden() || !form)
            continue;
        bool match = false;
        if (key == QLatin1String("Telnet"))
            match = qobject_cast<frmTelnet *>(form);
        else if (key == QLatin1String("FTP"))
            match = qobject_cast<FrmFTP *>(form);
        else if (key == QLatin1String("Internet"))
            match = qobject_cast<frmWebBrowser *>(form);
        else
            match = qobject_cast<FrmImageNavi *>(form);
        if (match)
            return form;
    }
    return nullptr;
}

// What a tool lends the main window: a toolbar for the top band, a part for the left panel.
QWidget *lentToolbar(QWidget *tool)
{
    if (auto *ftp = qobject_cast<FrmFTP *>(tool))
        return ftp->tbToolBar;
    if (auto *telnet = qobject_cast<frmTelnet *>(tool))
        return telnet->TBTelnet();
    if (auto *browser = qobject_cast<frmWebBrowser *>(tool))
        return browser->WebToolbar;
    return nullptr;
}

QWidget *lentLeftPart(QWidget *tool)
{
    if (auto *ftp = qobject_cast<FrmFTP *>(tool))
        return ftp->tvTreeView;
    if (auto *navi = qobject_cast<FrmImageNavi *>(tool))
        return navi->FrameImageNavi;
    return nullptr;
}

// On screen for a user: shown, of a usable size, and not covered by its parents' edges.
bool onScreen(const QWidget *widget)
{
    return widget->isVisible() && widget->width() > 40 && widget->height() > 40 &&
           widget->visibleRegion().boundingRect().width() > 40;
}

bool showsPictureDescription(const FrmMain *main)
{
    return main->LabelPicDesc->isVisible() &&
           main->LabelPicDesc->property("Caption").toString().startsWith(
               QLatin1String("Image name is : "));
}

} // namespace

void E2eMainWindow::chooseMenu(const QString &menuName, const QString &item)
{
    QMenu *menu = m_main->subMenu(menuName);
    QAction *action = m_main->menuItem(item);
    QVERIFY2(menu && action, qPrintable(item));
    QTRY_VERIFY_WITH_TIMEOUT(m_main->isActiveWindow(), Patience);
    m_input.click(m_main->menuBar(),
                  m_main->menuBar()->actionGeometry(menu->menuAction()).center());
    QTRY_VERIFY_WITH_TIMEOUT(menu->isVisible(), Patience);
    m_input.click(menu, menu->actionGeometry(action).center());
    QTRY_VERIFY_WITH_TIMEOUT(!menu->isVisible(), Patience);
}

void E2eMainWindow::openToolBy(const QString &key, bool byMenu)
{
    if (byMenu)
        chooseMenu(QStringLiteral("mnuTools"), toolMenuItem(key));
    else
        openTool(key);
    QTRY_VERIFY2_WITH_TIMEOUT(::openTool(m_main, key), qPrintable(key), Patience);
}

// The active tool shows its own pieces, and only those: its toolbar in the top band, its
// tree or frame in the left panel (or no panel), the View menu's mark with the panel; every
// other open tool has its pieces at home, and the picture description only shows with the
// navigator.
void E2eMainWindow::checkToolShown(const QString &key)
{
    QWidget *tool = ::openTool(m_main, key);
    QVERIFY2(tool, qPrintable(key));
    QTRY_COMPARE_WITH_TIMEOUT(m_main->mdiArea()->activeSubWindow(), m_main->subWindowOf(tool),
                              Patience);
    QWidget *toolbar = lentToolbar(tool);
    QWidget *leftPart = lentLeftPart(tool);
    const QString what = key + QStringLiteral(" active");
    if (toolbar) {
        QTRY_VERIFY2_WITH_TIMEOUT(m_main->PanelHolder->isAncestorOf(toolbar) &&
                                      toolbar->isVisible(),
                                  qPrintable(what), Patience);
    }
    QDockWidget *panel = m_main->PanelLeftDock;
    if (leftPart) {
        QTRY_VERIFY2_WITH_TIMEOUT(m_main->PanelLeft->isAncestorOf(leftPart) && onScreen(leftPart),
                                  qPrintable(what), Patience);
        QVERIFY2(panel->isVisible(), qPrintable(what));
        QVERIFY2(!m_main->SSTabMain->isVisible(), qPrintable(what));
    } else {
        QTRY_VERIFY2_WITH_TIMEOUT(!panel->isVisible(), qPrintable(what), Patience);
    }
    QCOMPARE(m_main->menuItem(QStringLiteral("mnuDbViewer"))->isChecked(), panel->isVisible());
    // Nothing of another tool in the main window's containers.
    for (const QString &other : tourTools) {
        QWidget *otherTool = ::openTool(m_main, other);
        if (!otherTool || otherTool == tool)
            continue;
        const QString where = what + QStringLiteral(", ") + other + QStringLiteral(" behind");
        if (QWidget *part = lentToolbar(otherTool))
            QVERIFY2(otherTool->isAncestorOf(part), qPrintable(where));
        if (QWidget *part = lentLeftPart(otherTool))
            QVERIFY2(otherTool->isAncestorOf(part), qPrintable(where));
    }
    int toolbars = 0;
    for (QWidget *child :
         m_main->PanelHolder->findChildren<QToolBar *>(QString(), Qt::FindDirectChildrenOnly))
        toolbars += child->isVisible() ? 1 : 0;
    QCOMPARE(toolbars, toolbar ? 1 : 0);
    if (showsPictureDescription(m_main))
        QVERIFY2(qobject_cast<FrmImageNavi *>(tool), qPrintable(what));
}

void E2eMainWindow::activateChild(QWidget *form)
{
    QMdiSubWindow *frame = m_main->subWindowOf(form);
    QVERIFY(frame && frame->isVisible());
    // By the part of its title bar on view, as a user brings a tiled window forward.
    const QRect seen = frame->visibleRegion().boundingRect();
    QVERIFY(seen.width() > 20);
    m_input.click(frame, QPoint(seen.center().x(), 8));
    QTRY_COMPARE_WITH_TIMEOUT(m_main->mdiArea()->activeSubWindow(), frame, Patience);
}

// Every window on view lies whole in the work area, which needs no scroll bar, with its title
// bar in sight and a record window no smaller than 4000 x 3000 twips; tiled they fill the
// area, cascaded they share one size.
bool E2eMainWindow::inWorkArea(Arranged arranged) const
{
    QMdiArea *work = m_main->mdiArea();
    const QRect area = work->viewport()->rect();
    if (work->horizontalScrollBar()->isVisible() || work->verticalScrollBar()->isVisible())
        return false;
    int right = 0;
    QSet<QSize> sizes;
    for (QMdiSubWindow *child : work->subWindowList()) {
        if (child->isHidden())
            continue;
        if (!area.contains(child->geometry()) ||
            !child->visibleRegion().contains(QPoint(child->width() / 2, 8)))
            return false;
        if (qobject_cast<FrmRecord *>(child->widget()) &&
            (Twips::fromPixels(child->width()) < 4000 || Twips::fromPixels(child->height()) < 3000))
            return false;
        right = std::max(right, child->geometry().right());
        sizes.insert(child->size());
    }
    if (arranged == Arranged::Cascaded)
        return sizes.size() == 1;
    return arranged == Arranged::Placed || right > area.right() - 3;
}

// Opens a folder in the navigator's tree (its nodes chosen one by one down from the computer),
// then picks its first picture with a real click, so that its description shows.
void E2eMainWindow::showPictures(const QString &folder)
{
    auto *navi =
        qobject_cast<FrmImageNavi *>(::openTool(m_main, QStringLiteral("Image Navigator")));
    QVERIFY(navi);
    QTreeWidgetItem *node = navi->Explorer->topLevelItem(0);
    QVERIFY(node);
    while (node->data(0, NodePathRole).toString() != folder) {
        // The child deepest on the folder's path.
        QTreeWidgetItem *next = nullptr;
        for (int i = 0; i < node->childCount(); ++i) {
            const QString path = node->child(i)->data(0, NodePathRole).toString();
            if (folder.startsWith(path) &&
                (!next || path.size() > next->data(0, NodePathRole).toString().size()))
                next = node->child(i);
        }
        QVERIFY2(next, qPrintable(node->data(0, NodePathRole).toString()));
        node = next;
        navi->Explorer->setCurrentItem(node);
    }
    QTRY_VERIFY_WITH_TIMEOUT(!navi->isBuilding() && navi->MSFG->item(0, 0), Patience);
    QTableWidget *grid = navi->MSFG;
    m_input.click(grid->viewport(), grid->visualItemRect(grid->item(0, 0)).center());
    QTRY_VERIFY_WITH_TIMEOUT(showsPictureDescription(m_main), Patience);
}

// One session with the four tools. Every tool is opened right after every other (each ordered
// pair once, from the FTP window back to it), from the Tools menu (the windows pile up), then
// from the tool toolbar (each closes the one before); after each the left panel, the tool's
// tree and the top band show the new tool's pieces and nothing of the others. Between the two,
// the four side by side and then stacked: whichever is active shows its pieces in the main
// window, and, tiled, every other shows its own tree in its own window. Last, the left panel
// after the FTP window that held it has closed: hidden with its View mark cleared; View >
// Database Viewer brings it back with the database tabs at its own width; its edge drags
// between the splitter's two limits, the tabs following, and it keeps its width when hidden.
// Back on the database band, its caption shows under the database toolbar again.
void E2eMainWindow::toolTour()
{
    const QString ftpKey = QStringLiteral("FTP"), web = QStringLiteral("Internet"),
                  telnetKey = QStringLiteral("Telnet"),
                  navigator = QStringLiteral("Image Navigator");
    const QStringList everyPair = {ftpKey,    web, telnetKey, ftpKey,    navigator, web,   ftpKey,
                                   telnetKey, web, navigator, telnetKey, navigator, ftpKey};
    QTemporaryDir pictures;
    QImage picture(40, 30, QImage::Format_RGB32);
    picture.fill(Qt::darkCyan);
    QVERIFY(picture.save(pictures.filePath(QStringLiteral("a.bmp"))));
    start();
    bool picked = false;
    for (const QString &key : everyPair) {
        openToolBy(key, true);
        checkToolShown(key);
        if (QTest::currentTestFailed())
            return;
        if (key == navigator && !picked) {
            showPictures(pictures.path() + QLatin1Char('/'));
            picked = true;
            checkToolShown(key);
        }
    }

    for (const QString &arrangement :
         {QStringLiteral("mnuWindowTileVertical"), QStringLiteral("mnuWindowCascade")}) {
        const bool tiled = arrangement == QLatin1String("mnuWindowTileVertical");
        chooseMenu(QStringLiteral("mnuWindow"), arrangement);
        QMdiSubWindow *active = m_main->mdiArea()->activeSubWindow();
        QVERIFY(active);
        for (const QString &key : tourTools)
            if (::openTool(m_main, key) == active->widget())
                checkToolShown(key);
        // Each in turn; a cascaded window is found by its title bar, the next one below.
        for (const QString &key : tourTools) {
            QWidget *tool = ::openTool(m_main, key);
            if (!tiled)
                m_main->subWindowOf(tool)->raise();
            activateChild(tool);
            checkToolShown(key);
            if (QTest::currentTestFailed())
                return;
            for (const QString &other : tourTools) {
                QWidget *behind = ::openTool(m_main, other);
                if (QWidget *part = lentLeftPart(behind); tiled && behind != tool && part)
                    QVERIFY2(onScreen(part), qPrintable(other));
            }
        }
    }

    for (const QString &key : everyPair) {
        openToolBy(key, false);
        checkToolShown(key);
        if (QTest::currentTestFailed())
            return;
        // The toolbar closed the tools before.
        int open = 0;
        for (const QString &other : tourTools)
            open += ::openTool(m_main, other) ? 1 : 0;
        QCOMPARE(open, 1);
    }

    auto *ftp = qobject_cast<FrmFTP *>(::openTool(m_main, ftpKey));
    QPointer<QMdiSubWindow> frame = m_main->subWindowOf(ftp);
    m_input.click(ftpButton(ftp, QStringLiteral("Exit")));
    QTRY_VERIFY_WITH_TIMEOUT(!frame || !frame->isVisible(), Patience);
    QDockWidget *panel = m_main->PanelLeftDock;
    QAction *viewer = m_main->menuItem(QStringLiteral("mnuDbViewer"));
    QTRY_VERIFY_WITH_TIMEOUT(!panel->isVisible(), Patience);
    QVERIFY(!viewer->isChecked());

    chooseMenu(QStringLiteral("mnuView"), QStringLiteral("mnuDbViewer"));
    QTRY_VERIFY_WITH_TIMEOUT(panel->isVisible(), Patience);
    QVERIFY(viewer->isChecked());
    QTabWidget *tabs = m_main->SSTabMain;
    QTRY_VERIFY_WITH_TIMEOUT(tabs->isVisible(), Patience);
    const auto tabsFit = [this, tabs] {
        return tabs->width() >= m_main->PanelLeft->width() - 8 &&
               tabs->width() <= m_main->PanelLeft->width();
    };
    QTRY_VERIFY_WITH_TIMEOUT(tabsFit(), Patience);
    QVERIFY(panel->width() >= tabs->tabBar()->sizeHint().width());

    // The bar on the edge between the panel and the work area, dragged as far as it goes each
    // way.
    const int narrowest = Twips::toPixels(2600) + 4;
    const int widest = Twips::toPixels(6240) + 4;
    const auto edge = [this] {
        return m_main->PicSlider->mapToGlobal(m_main->PicSlider->rect().center());
    };
    QCOMPARE(QApplication::widgetAt(edge()), m_main->PicSlider);
    m_input.drag(edge(), edge() - QPoint(400, 0));
    QTRY_COMPARE_WITH_TIMEOUT(panel->width(), narrowest, Patience);
    QTRY_VERIFY_WITH_TIMEOUT(tabsFit(), Patience);
    m_input.drag(edge(), edge() + QPoint(600, 0));
    QTRY_COMPARE_WITH_TIMEOUT(panel->width(), widest, Patience);
    QTRY_VERIFY_WITH_TIMEOUT(tabsFit(), Patience);
    m_input.drag(edge(), edge() - QPoint(100, 0));
    // Where the bar lands, to the twip the panel is measured in.
    QTRY_VERIFY_WITH_TIMEOUT(qAbs(panel->width() - (widest - 100)) <= 1, Patience);
    m_input.click(m_main->ImgCloseDBBar);
    QTRY_VERIFY_WITH_TIMEOUT(!panel->isVisible(), Patience);
    chooseMenu(QStringLiteral("mnuView"), QStringLiteral("mnuDbViewer"));
    QTRY_VERIFY_WITH_TIMEOUT(panel->isVisible(), Patience);
    QTRY_VERIFY_WITH_TIMEOUT(qAbs(panel->width() - (widest - 100)) <= 1, Patience);

    // Back on the database band its caption shows again under the toolbar, not what the
    // navigator last wrote there.
    QTabBar *band = m_main->SSTabTop->tabBar();
    m_input.click(band, band->tabRect(0).center());
    QTRY_VERIFY_WITH_TIMEOUT(m_main->LabelPicDesc->isVisible() &&
                                 !m_main->LabelPicDesc->visibleRegion().isEmpty(),
                             Patience);
    QCOMPARE(m_main->LabelPicDesc->property("Caption").toString(), QStringLiteral("Marlux"));
    finish();
}

// Two knowledge bases tiled as they open, a search with hits, back on [Records]: Edit in the
// left one hides the left panel, but neither window moves under the pointer, so the next click
// and the typing land where aimed. The panel back by View > Database Viewer, the two are tiled
// in the area left again; mid-edit, [Search] and back to [Records] keep Save Record and
// Discard, and the change saves from the toolbar, the windows staying. Then the panel's bar,
// dragged past the window's edge each way, keeps the pointer on the window and takes the
// panel to its limit; tiled, then cascaded, the windows are arranged again beside it.
void E2eMainWindow::editingKeepsWindowsInPlace()
{
    start();
    openDatabase(QStringLiteral("C++"));
    FrmRecord *cpp = activeRecord();
    openDatabase(QStringLiteral("C"));
    FrmRecord *c = activeRecord();
    QMdiSubWindow *left = m_main->subWindowOf(cpp);
    QMdiSubWindow *right = m_main->subWindowOf(c);
    QVERIFY(!left->isMaximized() && !right->isMaximized());
    QVERIFY(left->x() < right->x());
    QVERIFY(inWorkArea(Arranged::Tiled));
    pickTopic(0);
    const QString word = searchWordOf(m_main->ListRecords->item(0)->text());
    QTabBar *tabs = m_main->SSTabMain->tabBar();
    m_input.click(tabs, tabs->tabRect(1).center());
    QTRY_COMPARE_WITH_TIMEOUT(m_main->SSTabMain->currentIndex(), 1, Patience);
    search(QStringLiteral("C"), word);
    QTRY_VERIFY_WITH_TIMEOUT(m_main->ListResult->topLevelItemCount() > 0, Patience);
    m_input.click(tabs, tabs->tabRect(0).center());
    QTRY_COMPARE_WITH_TIMEOUT(m_main->SSTabMain->currentIndex(), 0, Patience);
    activateChild(cpp);
    pickTopic(0);
    clickQuestion(0);
    const QRect leftPlace(left->mapToGlobal(QPoint()), left->size());
    const QRect rightPlace(right->mapToGlobal(QPoint()), right->size());
    const auto inPlace = [&] {
        return QRect(left->mapToGlobal(QPoint()), left->size()) == leftPlace &&
               QRect(right->mapToGlobal(QPoint()), right->size()) == rightPlace;
    };

    clickMain(QStringLiteral("Edit"));
    QTRY_VERIFY_WITH_TIMEOUT(cpp->hasPendingChange(), Patience);
    QTRY_VERIFY_WITH_TIMEOUT(!m_main->PanelLeftDock->isVisible(), Patience);
    QTest::qWait(200);
    QVERIFY(inPlace());
    m_input.click(cpp->RTBAnswer);
    QTRY_VERIFY_WITH_TIMEOUT(cpp->RTBAnswer->hasFocus(), Patience);
    QCOMPARE(activeRecord(), cpp);
    const QString before = cpp->RTBAnswer->text();
    m_input.key(QStringLiteral("End"), {QStringLiteral("Control_L")});
    m_input.type(QStringLiteral(" tour"));
    QTRY_COMPARE_WITH_TIMEOUT(cpp->RTBAnswer->text(), before + QStringLiteral(" tour"), Patience);

    // The panel back by the View menu, [Search] and [Records]: the change can still be saved.
    chooseMenu(QStringLiteral("mnuView"), QStringLiteral("mnuDbViewer"));
    QTRY_VERIFY_WITH_TIMEOUT(m_main->PanelLeftDock->isVisible(), Patience);
    QTRY_VERIFY_WITH_TIMEOUT(inWorkArea(Arranged::Tiled), Patience);
    QVERIFY(inPlace());
    m_input.click(tabs, tabs->tabRect(1).center());
    QTRY_COMPARE_WITH_TIMEOUT(m_main->SSTabMain->currentIndex(), 1, Patience);
    m_input.click(tabs, tabs->tabRect(0).center());
    QTRY_COMPARE_WITH_TIMEOUT(m_main->SSTabMain->currentIndex(), 0, Patience);
    QTRY_COMPARE_WITH_TIMEOUT(activeRecord(), cpp, Patience);
    QVERIFY(cpp->hasPendingChange());
    QVERIFY(!m_main->toolbarButton(QStringLiteral("Add New"))->isVisible());
    m_answers.expect(QStringLiteral("SUCCEED"), QStringLiteral("Ok"));
    clickMain(QStringLiteral("Save Record"));
    QTRY_VERIFY_WITH_TIMEOUT(m_answers.done(), Patience);
    QTRY_VERIFY_WITH_TIMEOUT(!cpp->hasPendingChange(), Patience);
    QCOMPARE(cpp->RTBAnswer->text(), before + QStringLiteral(" tour"));
    QTest::qWait(200);
    QVERIFY(inWorkArea(Arranged::Tiled) && inPlace());

    // A main window with room around it, so the pointer has somewhere to go past its edges.
    const QRect screen = m_main->screen()->availableGeometry();
    m_main->showNormal();
    m_main->setGeometry(screen.adjusted(100, 100, -200, -100));
    QTRY_VERIFY_WITH_TIMEOUT(
        !m_main->isMaximized() && m_main->frameGeometry().right() < screen.right() - 100, Patience);
    QTRY_VERIFY_WITH_TIMEOUT(inWorkArea(Arranged::Placed), Patience);
    QDockWidget *panel = m_main->PanelLeftDock;
    const int narrowest = Twips::toPixels(2600) + 4;
    const int widest = Twips::toPixels(6240) + 4;
    for (const bool cascaded : {false, true}) {
        if (cascaded)
            chooseMenu(QStringLiteral("mnuWindow"), QStringLiteral("mnuWindowCascade"));
        const Arranged arranged = cascaded ? Arranged::Cascaded : Arranged::Tiled;
        QTRY_VERIFY_WITH_TIMEOUT(inWorkArea(cascaded ? arranged : Arranged::Placed), Patience);
        const QRect frame = m_main->frameGeometry();
        const QPoint bar = m_main->PicSlider->mapToGlobal(m_main->PicSlider->rect().center());
        QPoint held;
        m_input.dragBy(bar, QPoint(cascaded ? -frame.width() : frame.width(), 0),
                       [&held] { held = QCursor::pos(); });
        QVERIFY2(frame.contains(held),
                 qPrintable(QStringLiteral("%1,%2").arg(held.x()).arg(held.y())));
        QTRY_COMPARE_WITH_TIMEOUT(panel->width(), cascaded ? narrowest : widest, Patience);
        QTRY_VERIFY_WITH_TIMEOUT(inWorkArea(arranged), Patience);
    }
    finish();
}

// Record windows on the display's screen (1024 x 768 in e2e.mainwindow.small): three tiled as
// they open, by the Window menu and with the panel hidden and shown, then all ten, and in a
// smaller main window: each lies whole in the work area and keeps its least size.
void E2eMainWindow::tilesKeepTheirLeastSize()
{
    start();
    const QStringList items = {QStringLiteral("mnuWindowTileHorizontal"),
                               QStringLiteral("mnuWindowTileVertical"),
                               QStringLiteral("mnuWindowCascade")};
    const auto arrangeBy = [&](const QString &item) {
        chooseMenu(QStringLiteral("mnuWindow"), item);
        const Arranged arranged = item == items.last() ? Arranged::Cascaded : Arranged::Tiled;
        QTRY_VERIFY2_WITH_TIMEOUT(inWorkArea(arranged), qPrintable(item), Patience);
    };
    for (QAction *button : m_main->DBToolbar->actions()) {
        openDatabase(button->text());
        QTRY_VERIFY2_WITH_TIMEOUT(inWorkArea(Arranged::Placed), qPrintable(button->text()),
                                  Patience);
        for (int i = 0; m_main->LoadCount == 3 && i < 4; ++i) {
            if (i < 2)
                arrangeBy(items.at(i));
            else
                chooseMenu(QStringLiteral("mnuView"), QStringLiteral("mnuDbViewer"));
            QTRY_VERIFY_WITH_TIMEOUT(m_main->PanelLeftDock->isVisible() == (i != 2), Patience);
            QTRY_VERIFY_WITH_TIMEOUT(inWorkArea(Arranged::Tiled), Patience);
        }
    }
    for (const QString &item : items)
        arrangeBy(item);
    m_main->showNormal();
    m_main->setGeometry(m_main->screen()->availableGeometry().adjusted(0, 0, -200, -150));
    QTRY_VERIFY_WITH_TIMEOUT(!m_main->isMaximized() && inWorkArea(Arranged::Cascaded), Patience);
    arrangeBy(items.first());
    finish();
}

// The telnet window at a real telnetd and its pseudo-terminal, in a UTF-8 locale, where the
// host takes our bytes in BINARY: the shell runs one command for each Enter typed at the real
// keyboard, and after top and vi the next command's output shows on the bottom rows.
void E2eMainWindow::telnetAtARealHost()
{
    TelnetdPeer peer;
    if (!peer.start(QStringLiteral("-h -E /bin/sh")))
        QSKIP(qPrintable(peer.failure()));
    start();
    frmTelnet *telnet = openUtf8Telnet();
    QVERIFY(telnet);
    telnetConnect(telnet, peer.port());
    const Telnet &screen = telnet->screenView()->screen();
    const auto row = [&screen](int r) { return QString::fromStdString(screen.ScreenText(r)); };
    const auto prompted = [&] { return row(screen.CursorRow()).startsWith("# "); };
    QTRY_VERIFY_WITH_TIMEOUT(prompted() && telnet->hasFocus() &&
                                 telnet->negotiation().localEnabled(TelnetNegotiation::OptBinary),
                             Patience);
    // Each Enter, the keypad's too, runs one command: its output, then the next prompt.
    const int first = screen.CursorRow();
    const char *const keys[] = {"Return", "KP_Enter", "Return"};
    for (int i = 0; i < 3; ++i) {
        m_input.type(QStringLiteral("echo ") + QLatin1String(keys[i]));
        m_input.key(QLatin1String(keys[i]));
        QTRY_VERIFY_WITH_TIMEOUT(prompted() && screen.CursorRow() == first + 2 * i + 2, Patience);
        QCOMPARE(row(first + 2 * i + 1).trimmed(), QLatin1String(keys[i]));
    }

    // The program, what shows it runs, the keys that end it, the command after it.
    const QStringList programs[] = {{"top -d 5\n", "load average", "q", "seq 101 130\n"},
                                    {"vi\n", "~ ", ":q\n", "seq 201 230\n"}};
    TelnetScreenView *view = telnet->screenView();
    for (const QStringList &program : programs) {
        m_input.type(program[0]);
        QTRY_VERIFY_WITH_TIMEOUT((row(0) + row(1)).contains(program[1]), Patience);
        m_input.type(program[2]);
        QTRY_VERIFY_WITH_TIMEOUT(prompted(), Patience);
        m_input.type(program[3]);
        const QString last = program[3].section(QLatin1Char(' '), 2).trimmed();
        QTRY_COMPARE_WITH_TIMEOUT(row(Telnet::Rows - 2).trimmed(), last, Patience);
        // The display shows the window's painting of the rows above the prompt: not one colour.
        const QRect rows =
            view->cellRect(Telnet::Rows - 3, 0).united(view->cellRect(Telnet::Rows - 2, 3));
        const QImage drawn = view->grab(rows).toImage().convertToFormat(QImage::Format_RGB32);
        QVERIFY(drawn != drawn.copy(0, 0, 1, 1).scaled(drawn.size()));
        const QPoint at = view->mapToGlobal(rows.topLeft());
        const auto shown = [&] {
            return view->window()->screen()->grabWindow(0, at.x(), at.y(), rows.width(),
                                                        rows.height());
        };
        QTRY_COMPARE_WITH_TIMEOUT(shown().toImage().convertToFormat(QImage::Format_RGB32), drawn,
                                  Patience);
    }
    finish(); // quits with the connection open
}

// By real pointer and keys under the window manager: list tips and the balloon's shape, the
// list's sideways extent and a shared menu letter; a fixed dialog's hints, a minimise asked
// for all the same, its width for the caption; tiled and cascaded windows as the panel shows
// and hides with the active tool.
void E2eMainWindow::windowServicesUnderTheWindowManager()
{
    start();
    openDatabase(QStringLiteral("C++"));
    pickTopic(0);
    QListWidget *list = m_main->ListRecords;
    const QListWidgetItem *lastItem = list->item(list->count() - 1);
    const QPoint last =
        list->viewport()->mapToGlobal(QPoint(20, list->visualItemRect(lastItem).center().y()));
    m_input.moveTo(last);
    QTRY_VERIFY_WITH_TIMEOUT(QToolTip::text().endsWith(lastItem->text()), Patience);
    m_input.moveTo(last + QPoint(0, 80));
    QTest::qWait(3500);
    QVERIFY2(!QToolTip::isVisible(), qPrintable(QToolTip::text()));
    TooltipWindow *balloon = clsTooltip::tipWindow();
    QTRY_VERIFY_WITH_TIMEOUT(balloon->isVisible(), Patience);
    const QRegion shown = m_input.shape(balloon->winId());
    QVERIFY(shown.contains(QPoint(16, 1)) && !shown.contains(QPoint(0, 0)) &&
            !shown.contains(QPoint(3, 5)) &&
            !shown.contains(QPoint(balloon->width() - 1, balloon->height() - 1)));
    QCOMPARE(list->horizontalScrollBar()->maximum() + list->viewport()->width(), 1900);
    QMenu *file = m_main->subMenu(QStringLiteral("mnuFile"));
    m_input.click(m_main->menuBar(),
                  m_main->menuBar()->actionGeometry(file->menuAction()).center());
    QTRY_VERIFY_WITH_TIMEOUT(file->isVisible(), Patience);
    m_input.type(QStringLiteral("oo"));
    QTest::qWait(500);
    QCOMPARE(file->activeAction(), m_main->menuItem(QStringLiteral("mnuFileOpen")));
    m_input.key(QStringLiteral("Escape"));

    QStringList faults;
    int room = -1;
    m_answers.expectWith(QStringLiteral("Please Input the Password"), [&](QWidget *box) {
        // Functions and decorations given, neither with minimise or maximise.
        const QList<unsigned long> hints = m_input.property(box->winId(), "_MOTIF_WM_HINTS");
        if (hints.size() < 3 || (hints[0] & 3) != 3 || (hints[1] & 0x19) || (hints[2] & 0x61))
            faults << QStringLiteral("hints");
        QFont bold = box->font();
        bold.setBold(true);
        const auto titleBar = m_input.property(box->winId(), "_NET_FRAME_EXTENTS").value(2);
        room = box->width() - 4 * int(titleBar) -
               QFontMetrics(bold).horizontalAdvance(box->windowTitle());
        m_input.iconify(box->winId());
        QTest::qWait(1000);
        for (QWidget *window : {box, static_cast<QWidget *>(m_main)})
            if (!QTest::qWaitFor(
                    [&] { return m_input.property(window->winId(), "WM_STATE").value(0) == 1; },
                    Patience))
                faults << window->windowTitle() + QStringLiteral(" hidden");
        box->showNormal();
        m_input.key(QStringLiteral("Escape"));
    });
    QVERIFY(!FrmPassword::ask(m_main));
    QVERIFY2(faults.isEmpty() && room >= 0, qPrintable(faults.join(';') + QString::number(room)));

    const QStringList keys = {QStringLiteral("FTP"), QStringLiteral("Telnet"),
                              QStringLiteral("Image Navigator"), QStringLiteral("Telnet")};
    for (const QString &key : keys.mid(0, 3))
        openToolBy(key, true);
    for (const bool cascaded : {false, true}) {
        chooseMenu(QStringLiteral("mnuWindow"), cascaded ? QStringLiteral("mnuWindowCascade")
                                                         : QStringLiteral("mnuWindowTileVertical"));
        for (const QString &key : keys) {
            activateChild(::openTool(m_main, key));
            QTRY_COMPARE_WITH_TIMEOUT(m_main->PanelLeftDock->isVisible(), key != keys[1], Patience);
            QTRY_VERIFY2_WITH_TIMEOUT(inWorkArea(cascaded ? Arranged::Cascaded : Arranged::Tiled),
                                      qPrintable(key), Patience);
        }
    }
    finish();
}

// At a real sound server: moving along the menu bar, by mouse and by key, sounds once as the
// menu is left; keys and clicks queued while the program is busy play one after another
// without a crash, the last heard whole; File > Exit: the menu's sound as the menu closes,
// then the quit question's own, heard whole.
void E2eMainWindow::boxFromAMenuIsHeard()
{
    if (!TestSupport::PulseServer::available())
        QSKIP("pulseaudio and its clients are needed");
    TestSupport::PulseServer server;
    QString failure;
    QVERIFY2(server.start(&failure), qPrintable(failure));
    const int box =
        TestSupport::heardFromPaplay(server, Sounds::resourcePath(QStringLiteral("106")));
    const int menu =
        TestSupport::heardFromPaplay(server, Sounds::resourcePath(QStringLiteral("MENU")));
    const int key =
        TestSupport::heardFromPaplay(server, Sounds::resourcePath(QStringLiteral("KEYPRESS")));
    start();
    int heard = -1;
    {
        TestSupport::SoundGate gate(true);
        QMenuBar *bar = m_main->menuBar();
        QList<QMenu *> heads;
        for (QAction *head : bar->actions())
            if (head->isVisible() && head->menu())
                heads.append(head->menu());
        for (const bool byMouse : {true, false}) {
            TestSupport::MonitorRecording walk;
            QVERIFY(walk.start());
            for (QMenu *menu : heads) {
                const QPoint at = bar->actionGeometry(menu->menuAction()).center();
                if (menu == heads.first())
                    m_input.click(bar, at);
                else if (byMouse)
                    m_input.moveTo(bar->mapToGlobal(at));
                else
                    m_input.key(QStringLiteral("Right"));
                QTRY_VERIFY2_WITH_TIMEOUT(menu->isVisible(), qPrintable(menu->title()), Patience);
            }
            m_input.key(QStringLiteral("Escape"));
            m_input.key(QStringLiteral("Escape"));
            heard = walk.heard(server);
            QVERIFY2(
                qAbs(heard - menu) <= 5,
                qPrintable(QStringLiteral("heard %1 ms, one menu sound %2").arg(heard).arg(menu)));
        }

        openDatabase(QStringLiteral("C++"));
        m_input.click(m_main->TxtKeyWord);
        QTRY_VERIFY_WITH_TIMEOUT(m_main->TxtKeyWord->hasFocus(), Patience);
        TestSupport::MonitorRecording burst;
        QVERIFY(burst.start());
        // Keys typed at a normal pace, then a burst queued as a busy moment queues them,
        // faster than any key repeat: each one's sound stops the one before.
        m_input.type(QStringLiteral("class"));
        QTRY_COMPARE_WITH_TIMEOUT(m_main->TxtKeyWord->text(), QStringLiteral("class"), Patience);
        for (int i = 0; i < 30; ++i)
            QCoreApplication::postEvent(
                m_main->TxtKeyWord,
                new QKeyEvent(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a")));
        heard = burst.heard(server);
        QVERIFY2(heard >= key - 3,
                 qPrintable(QStringLiteral("heard %1 ms, the key's sound %2").arg(heard).arg(key)));
        QTRY_VERIFY_WITH_TIMEOUT(m_main->TxtKeyWord->text().endsWith(QStringLiteral("aaa")),
                                 Patience);

        TestSupport::MonitorRecording recording;
        QVERIFY(recording.start());
        m_answers.expectWith(QStringLiteral("EXIT"), [&](QWidget *) {
            heard = recording.heard(server);
            m_input.key(QStringLiteral("Escape"));
        });
        chooseMenu(QStringLiteral("mnuFile"), QStringLiteral("mnuFileExit"));
        QTRY_VERIFY_WITH_TIMEOUT(m_answers.done() && !QApplication::activeModalWidget(), Patience);
        Sounds::release();
    }
    QVERIFY2(heard >= box - 5 && heard <= box + menu + 5,
             qPrintable(QStringLiteral("heard %1 ms, the box's sound %2, the menu's %3")
                            .arg(heard)
                            .arg(box)
                            .arg(menu)));
    // The quit question answered, the main window takes keys again.
    QTRY_VERIFY_WITH_TIMEOUT(m_main->isActiveWindow(), Patience);
    finish();
}

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "xcb");
    XSession session;
    if (!session.start(!bareDisplay())) {
        std::fprintf(stderr, "%s\n", qPrintable(session.error()));
        return 1;
    }
    int result = 0;
    {
        QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
        QApplication app(argc, argv);
        QApplication::setApplicationName(QStringLiteral("Marlux"));
        QApplication::setOrganizationName(QStringLiteral("Marlux"));
        InstallFontSubstitutes();
        // The panels and 3D labels come from the control libraries, as in the program.
        QTemporaryDir registry;
        qputenv("MARLUX_CONTROL_REGISTRY", (registry.path() + "/controls.ini").toUtf8());
        ControlHost::instance().setLibraryFolder(qEnvironmentVariable("MARLUX_BUILD_DIR") +
                                                 QStringLiteral("/bin"));
        const QString missing = ControlHost::instance().registerControls();
        if (!missing.isEmpty())
            std::fprintf(stderr, "%s\n", qPrintable(missing));
        ShellPrompter prompter;
        Prompter::setInstance(&prompter);
        // The program's own wiring, the browser built in rather than loaded as the program
        // loads it (which e2e.program tries).
        InstallWindowFactories([](FrmMain *main) -> QWidget * { return new frmWebBrowser(main); });
        E2eMainWindow test;
        result = QTest::qExec(&test, argc, argv);
        Prompter::setInstance(nullptr);
    }
    session.stop();
    return result;
}

#include "e2e_mainwindow.moc"
