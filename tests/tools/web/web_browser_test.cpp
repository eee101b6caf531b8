#include "kb/frmmain.h"
#include "platform/base/checkedwrite.h"
#include "platform/base/externalprogram.h"
#include "platform/base/settingsstore.h"
#include "scriptedprompter.h"
#include "testsupport.h"
#include "tools/web/WebAddressHistory.h"
#include "tools/web/frmWebBrowser.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDockWidget>
#include <QFile>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QProcess>
#include <QProgressBar>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QWebEngineView>

#include <memory>

namespace {

// Prints to a PDF file instead of asking for a printer.
class PdfPrompter : public ScriptedPrompter
{
public:
    QString pdf;
    // Run while the save dialog is "up", inside a nested event loop as a real dialog has.
    std::function<void()> duringSave;
    QStringList offeredNames; // what each save box offered
    std::optional<QString> saveFileName(const QString &title, const QString &fileName,
                                        const QString &filter,
                                        QString *chosenFilter = nullptr) override
    {
        offeredNames.append(QFileInfo(fileName).fileName());
        if (duringSave) {
            QTimer::singleShot(0, duringSave);
            QEventLoop loop;
            QTimer::singleShot(50, &loop, &QEventLoop::quit);
            loop.exec();
        }
        return ScriptedPrompter::saveFileName(title, fileName, filter, chosenFilter);
    }
    bool printSetup(QPrinter *printer, const QString &title) override
    {
        ScriptedPrompter::printSetup(printer, title);
        if (pdf.isEmpty())
            return false;
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setOutputFileName(pdf);
        return true;
    }
};

QString history(int n)
{
    return SettingsStore::instance()
        .value(WebAddressHistory::appName(), WebAddressHistory::sectionName(),
               WebAddressHistory::historyKey(n), QString())
        .toString();
}

int countItems(const QComboBox *box, const QString &text)
{
    int count = 0;
    for (int i = 0; i < box->count(); ++i)
        count += box->itemText(i) == text ? 1 : 0;
    return count;
}

int errorBoxes(const ScriptedPrompter &prompter)
{
    int count = 0;
    for (const ScriptedPrompter::Call &call : prompter.calls())
        count += call.kind == QLatin1String("messageBox") && call.title == QLatin1String("ERROR");
    return count;
}

// What the page server sends as data.zip.
const QByteArray served = QByteArray("0123456789").repeated(314573);

// Every file of the folder, the hidden ones too.
QStringList filesIn(const QTemporaryDir &dir)
{
    return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

} // namespace

class TestWebBrowser : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        m_server.setProgram(QStringLiteral("/usr/bin/python3"));
        m_server.setArguments({TestSupport::sourceDir() + "/tests/tools/web/webfixture.py"});
        TestSupport::endWithThisProcess(m_server);
        m_server.start();
        QVERIFY(m_server.waitForReadyRead(5000));
        const int port = m_server.readLine().trimmed().toInt();
        QVERIFY(port > 0);
        m_base = QStringLiteral("http://127.0.0.1:%1/").arg(port);
        SettingsStore::setInstance(&m_settings);
        FrmMain::setToolWindowFactory(QStringLiteral("Internet"),
                                      [](FrmMain *main) { return new frmWebBrowser(main); });
    }

    void cleanupTestCase()
    {
        FrmMain::setToolWindowFactory(QStringLiteral("Internet"), nullptr);
        SettingsStore::setInstance(nullptr);
        m_server.kill();
        m_server.waitForFinished(2000);
    }

    void init()
    {
        m_settings = MemorySettingsStore();
        m_settings.setValue(QStringLiteral("RavodovirEZ"), QStringLiteral("Web Browser"),
                            QStringLiteral("Home Page"), url("home"));
        m_settings.setValue(QStringLiteral("RavodovirEZ"), QStringLiteral("Web Browser"),
                            QStringLiteral("Search Page"), url("search"));
        m_root = std::make_unique<TestSupport::TempDataRoot>();
        m_prompter = std::make_unique<PdfPrompter>();
        m_main = std::make_unique<FrmMain>();
        m_main->MDIForm_Load();
        m_main->resize(900, 700);
        m_main->show();
        m_main->TBTool_ButtonClick(QStringLiteral("Internet"));
        browser = qobject_cast<frmWebBrowser *>(m_main->toolWindow(QStringLiteral("Internet")));
        QVERIFY(browser);
        waitFor("home");
    }

    void cleanup()
    {
        m_main.reset();
        m_prompter.reset();
        m_root.reset();
    }

    void opensHomeAndDocksItsToolbar()
    {
        QCOMPARE(browser->windowTitle(), QStringLiteral("Page home"));
        QCOMPARE(browser->cboAddress->itemText(0), url("home"));
        QVERIFY(QFile::exists(m_root->filePath("Favorites.txt")));
        QCOMPARE(browser->WebToolbar->parentWidget(), m_main->PanelHolder);
        QVERIFY(!browser->WebToolbar->isHidden());
        QCOMPARE(browser->WebToolbar->actions().size(), 13);
        QCOMPARE(browser->WebToolbar->actions().at(6)->toolTip(),
                 QStringLiteral("Display Favorites List"));

        m_main->ReleaseToolParents();
        QCOMPARE(browser->WebToolbar->parentWidget(), browser);
        for (QMdiSubWindow *child : m_main->mdiArea()->subWindowList())
            QVERIFY(!child->isVisible());

        // Opening it again docks the toolbar again, still one browser.
        m_main->TBTool_ButtonClick(QStringLiteral("Internet"));
        auto *again = qobject_cast<frmWebBrowser *>(m_main->toolWindow(QStringLiteral("Internet")));
        QVERIFY(again);
        QCOMPARE(again->WebToolbar->parentWidget(), m_main->PanelHolder);
        browser = again;
        waitFor("home");
    }

    void anotherChildTakesTheToolbarBackAndClosingLeavesNothingBehind()
    {
        QMdiSubWindow *other = m_main->mdiArea()->addSubWindow(new QWidget);
        other->show();
        m_main->mdiArea()->setActiveSubWindow(other);
        QTRY_COMPARE(browser->WebToolbar->parentWidget(), browser);

        browser->SetParentToMainForm();
        QPointer<QToolBar> toolbar = browser->WebToolbar;
        QPointer<frmWebBrowser> closing = browser;
        browser->CloseBrowser();
        QTRY_VERIFY(!closing);
        QVERIFY(!toolbar);
        QVERIFY(m_main->PanelLeftDock->isHidden());
    }

    void navigationCommands()
    {
        type(url("a"));
        waitFor("a");
        type(url("b"));
        waitFor("b");
        QCOMPARE(browser->cboAddress->itemText(0), url("b"));
        QCOMPARE(browser->cboAddress->count(), 3);

        press("tbrBack");
        waitFor("a");
        QCOMPARE(countItems(browser->cboAddress, url("a")), 1);
        QCOMPARE(browser->cboAddress->itemText(0), url("a"));
        press("tbrForward");
        waitFor("b");
        press("tbrRefresh");
        QTRY_VERIFY(!browser->isBusy());
        QCOMPARE(browser->windowTitle(), QStringLiteral("Page b"));
        QCOMPARE(countItems(browser->cboAddress, url("b")), 1);
        press("tbrSearch");
        waitFor("search");
        press("tbrHome");
        waitFor("home");
        QCOMPARE(browser->cboAddress->count(), 4);

        // Choosing an entry from the list navigates too.
        const int index = browser->cboAddress->findText(url("a"));
        QVERIFY(index > 0);
        browser->cboAddress->setCurrentIndex(index);
        emit browser->cboAddress->activated(index);
        waitFor("a");
        QCOMPARE(browser->cboAddress->count(), 4);

        // Enter on an address the list holds opens it once.
        QSignalSpy loads(browser->ctlWebBrowser, &QWebEngineView::loadStarted);
        type(url("b"));
        waitFor("b");
        QCOMPARE(loads.count(), 1);
        // Keys typed go as typed, though a longer address in the list begins with them.
        type(url("a") + "?more");
        QTRY_COMPARE_WITH_TIMEOUT(browser->cboAddress->itemText(0), url("a") + "?more", 8000);
        browser->cboAddress->clearEditText();
        QTest::keyClicks(browser->cboAddress, url("a"));
        QTest::keyClick(browser->cboAddress, Qt::Key_Return);
        waitFor("a");
    }

    void addressesAreRecordedAfterAKnownPage()
    {
        // The home page was new to the list: the next typed address is not recorded.
        QVERIFY(browser->lastAddressWasNew());
        type(url("a"));
        waitFor("a");
        QVERIFY(history(1).isEmpty());

        press("tbrBack");
        waitFor("home");
        QVERIFY(!browser->lastAddressWasNew());
        const QString typed = QStringLiteral("127.0.0.1:%1/b.html").arg(QUrl(m_base).port());
        type(typed);
        waitFor("b");
        QCOMPARE(history(1), typed);
        QCOMPARE(browser->recentUrls(), QStringList({typed}));
    }

    void earlierAddressesAreOffered()
    {
        // Chosen in an earlier session: one twice, one typed without its scheme.
        const QString typed = QStringLiteral("127.0.0.1:%1/b.html").arg(QUrl(m_base).port());
        WebAddressHistory::WriteRecentURLs(m_settings, url("a"));
        WebAddressHistory::WriteRecentURLs(m_settings, typed);
        WebAddressHistory::WriteRecentURLs(m_settings, url("a"));
        QPointer<frmWebBrowser> closing = browser;
        browser->CloseBrowser();
        QTRY_VERIFY(!closing);
        m_main->TBTool_ButtonClick(QStringLiteral("Internet"));
        browser = qobject_cast<frmWebBrowser *>(m_main->toolWindow(QStringLiteral("Internet")));
        QVERIFY(browser);
        waitFor("home");
        QStringList offered;
        for (int i = 0; i < browser->cboAddress->count(); ++i)
            offered.append(browser->cboAddress->itemText(i));
        QCOMPARE(offered, (QStringList{url("home"), url("a"), url("b")}));
    }

    void slowPageShowsProcessingUntilStopped()
    {
        type(url("slow"));
        QTRY_COMPARE_WITH_TIMEOUT(browser->windowTitle(), QStringLiteral("Processing..."), 1500);
        press("tbrStop");
        QVERIFY(!browser->timer1->isActive());
        QTRY_VERIFY(!browser->isBusy());
        const QString title = browser->windowTitle();
        QVERIFY(title != QLatin1String("Processing..."));
        QTest::qWait(700);
        QCOMPARE(browser->windowTitle(), title);
        QCOMPARE(browser->windowTitle(), browser->pageTitle());
    }

    void favoritesButtonOnlyStartsTheTimer()
    {
        press("tbrStop");
        QVERIFY(!browser->timer1->isActive());
        press("tbrFavoritesList");
        QVERIFY(browser->timer1->isActive());
        QCOMPARE(browser->ctlWebBrowser->url().toString(), url("home"));
        QCOMPARE(m_prompter->calls().size(), 0);
    }

    void htmlOfThePageAndItsLinks()
    {
        press("tbrDisplayCurrHTMLDoc");
        QTRY_VERIFY(browser->txtHtmlSource->isVisible());
        QVERIFY(!browser->ctlWebBrowser->isVisible());
        QVERIFY(browser->txtHtmlSource->toPlainText().contains(QStringLiteral("<p id=\"p\">home")));
        press("tbrDisplayCurrHTMLDoc");
        QVERIFY(browser->ctlWebBrowser->isVisible());
        QVERIFY(!browser->txtHtmlSource->isVisible());

        // A navigation brings the page back as well.
        press("tbrDisplayCurrHTMLDoc");
        QTRY_VERIFY(browser->txtHtmlSource->isVisible());
        type(url("nolinks"));
        QVERIFY(browser->ctlWebBrowser->isVisible());
        waitFor("nolinks");

        press("tbrListLinks");
        QTRY_COMPARE(m_prompter->calls().size(), 1);
        QCOMPARE(m_prompter->calls().at(0).kind, QStringLiteral("plain"));
        type(url("a"));
        waitFor("a");
        press("tbrListLinks");
        QTest::qWait(300);
        QCOMPARE(m_prompter->calls().size(), 1);
        browser->cboAddress->setEditText(QString());
        press("tbrListLinks");
        QCOMPARE(m_prompter->prompts().last(), QStringLiteral("No URL or address yet"));
    }

    void badAddressIsReported()
    {
        type(QStringLiteral("http://[::1"));
        type(QStringLiteral("http:///a.html"));
        QCOMPARE(errorBoxes(*m_prompter), 2);
        QVERIFY(!QApplication::overrideCursor());
        QCOMPARE(browser->ctlWebBrowser->url().toString(), url("home"));

        // A page that cannot be reached completes on its error page and heads the list, so
        // it can be tried again from there.
        const QString gone = QStringLiteral("http://127.0.0.1:1/gone.html");
        type(gone);
        QTRY_COMPARE_WITH_TIMEOUT(browser->cboAddress->itemText(0), gone, 8000);
        QCOMPARE(browser->cboAddress->count(), 2);
        QCOMPARE(errorBoxes(*m_prompter), 2);
    }

    void captureSavesOurWindowAndLeavesTheClipboard()
    {
        QApplication::clipboard()->setText(QStringLiteral("keep me"));
        QTemporaryDir dir;
        const QString png = dir.filePath(QStringLiteral("shot.png"));
        m_prompter->answer(png);
        press("tbrCapDesktop");
        QImage shot(png);
        QVERIFY(!shot.isNull());
        QCOMPARE(shot.size(), browser->window()->size() * browser->devicePixelRatio());
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("keep me"));

        const QString odd = dir.filePath(QStringLiteral("shot.pic"));
        m_prompter->answer(odd);
        press("tbrCapDesktop");
        QCOMPARE(QImageReader(odd).format(), QByteArray("png"));

        m_prompter->cancel();
        press("tbrCapDesktop");
        m_prompter->answer(QString());
        press("tbrCapDesktop");
        QCOMPARE(errorBoxes(*m_prompter), 0);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 2);

        m_prompter->answer(dir.filePath(QStringLiteral("no/such/folder/shot.png")));
        press("tbrCapDesktop");
        QCOMPARE(errorBoxes(*m_prompter), 1);
    }

    void aStoppedPageIsNotSaved()
    {
        // After the page's renderer has ended no text will come: the save is refused at
        // once instead of waiting for ever and keeping the window from closing.
        QPointer<frmWebBrowser> guard(browser);
        QSignalSpy ended(browser->ctlWebBrowser->page(), &QWebEnginePage::renderProcessTerminated);
        browser->ctlWebBrowser->load(QUrl(QStringLiteral("chrome://crash")));
        QVERIFY(ended.wait(10000));
        QCOMPARE(browser->SavePageAsText(), QString());
        QCOMPARE(errorBoxes(*m_prompter), 1);
        QVERIFY(browser->parentWidget()->close());
        QTRY_VERIFY(!guard);
    }

    void addressLabelShowsItsCaption()
    {
        auto *label = browser->findChild<QWidget *>(QStringLiteral("lblAddress"));
        QVERIFY(label);
        const QFont font = label->property("Font").value<QFont>();
        QVERIFY(label->width() >= QFontMetrics(font).horizontalAdvance(QStringLiteral("Address:")));
        QVERIFY(label->height() >= QFontMetrics(font).height());
    }

    void savesThePageTextAndTheClipboardCase()
    {
        QSignalSpy saved(browser, &frmWebBrowser::pageTextSaved);
        const QString path = browser->SavePageAsText();
        QCOMPARE(path, m_root->filePath("Page home.txt"));
        QVERIFY(saved.wait(5000));
        QCOMPARE(saved.at(0).at(1).toBool(), true);
        QFile text(path);
        QVERIFY(text.open(QIODevice::ReadOnly));
        const QByteArray words = text.readAll();
        QVERIFY2(words.startsWith("home") && words.trimmed().endsWith("a b"), words.constData());
        QVERIFY(m_prompter->calls().isEmpty()); // no question asked

        // Nothing but text on the clipboard: said so, nothing asked or written.
        QApplication::clipboard()->setText(QStringLiteral("words"));
        browser->SaveDesktopFromClipboard();
        QCOMPARE(m_prompter->prompts(), QStringList{QStringLiteral("No picture in clipboard yet")});
        QCOMPARE(m_prompter->calls().at(0).kind, QStringLiteral("plain"));
        // A picture there: the window is captured as Capture does.
        QImage dot(4, 4, QImage::Format_RGB32);
        dot.fill(Qt::red);
        QApplication::clipboard()->setImage(dot);
        QTemporaryDir dir;
        const QString png = dir.filePath(QStringLiteral("clip.png"));
        m_prompter->answer(png);
        browser->SaveDesktopFromClipboard();
        QCOMPARE(QImage(png).size(), browser->window()->size() * browser->devicePixelRatio());
        QCOMPARE(errorBoxes(*m_prompter), 0);
    }

    void closingWaitsForTheWindowsOwnWork()
    {
        // Closed from a timer while the save dialog of a capture is up: the window outlives
        // the dialog, the picture is written, then the window closes.
        QPointer<frmWebBrowser> guard(browser);
        bool survived = false;
        m_prompter->duringSave = [&] {
            QTimer::singleShot(0, [guard] {
                if (guard)
                    guard->parentWidget()->close();
            });
            QEventLoop loop;
            QTimer::singleShot(30, &loop, &QEventLoop::quit);
            loop.exec();
            survived = guard && guard->isVisible();
        };
        QTemporaryDir dir;
        const QString png = dir.filePath(QStringLiteral("late.png"));
        m_prompter->answer(png);
        press("tbrCapDesktop");
        QVERIFY(survived);
        QVERIFY(!QImage(png).isNull());
        QTRY_VERIFY(!guard);

        // A page text still coming when the close is asked for is written first.
        m_prompter->duringSave = nullptr;
        m_main->TBTool_ButtonClick(QStringLiteral("Internet"));
        browser = qobject_cast<frmWebBrowser *>(m_main->toolWindow(QStringLiteral("Internet")));
        waitFor("home");
        QPointer<frmWebBrowser> second(browser);
        const QString path = browser->SavePageAsText();
        QVERIFY(!browser->parentWidget()->close());
        QTRY_VERIFY(!second);
        QVERIFY(QFile::exists(path));
    }

    void printsTheWindow()
    {
        press("tbrPrintDesktop"); // cancelled
        QCOMPARE(m_prompter->calls().size(), 1);
        QCOMPARE(m_prompter->calls().at(0).title, QStringLiteral("Print"));
        QTemporaryDir dir;
        m_prompter->pdf = dir.filePath(QStringLiteral("page.pdf"));
        press("tbrPrintDesktop");
        QFile pdf(m_prompter->pdf);
        QVERIFY(pdf.open(QIODevice::ReadOnly));
        QVERIFY(pdf.read(4) == "%PDF");
        QVERIFY(pdf.size() > 1000);
        QCOMPARE(errorBoxes(*m_prompter), 0);
    }

    void mailFolders()
    {
        press("tbrInbox");
        QCOMPARE(errorBoxes(*m_prompter), 1);
        QVERIFY(m_prompter->prompts().last().contains(QStringLiteral("Inbox")));

        QTemporaryDir dir;
        const QString marker = dir.filePath(QStringLiteral("contacts opened"));
        m_settings.setValue(QStringLiteral("RavodovirEZ"), QStringLiteral("Mail Client"),
                            QStringLiteral("Contacts"),
                            QStringLiteral("/usr/bin/touch \"%1\"").arg(marker));
        press("tbrContacts");
        QTRY_VERIFY(QFile::exists(marker));
        m_settings.setValue(QStringLiteral("RavodovirEZ"), QStringLiteral("Mail Client"),
                            QStringLiteral("Outbox"), QStringLiteral("/no/such/mailer"));
        press("tbrOutbox");
        QCOMPARE(errorBoxes(*m_prompter), 2);
    }

    void linksForANewWindowAndMailLinks()
    {
        QList<QStringList> started;
        ExternalProgram::setStarter([&](const QString &, const QStringList &arguments) {
            started.append(arguments);
            return true;
        });
        type(url("links"));
        waitFor("links");
        // A link meant for a new window opens here, and Back returns to the link's page.
        QTest::mouseClick(browser->ctlWebBrowser->focusProxy(), Qt::LeftButton, {}, {200, 50});
        waitFor("a");
        press("tbrBack");
        waitFor("links");
        // A mail link goes to the desktop's opener; the page stays.
        QTest::mouseClick(browser->ctlWebBrowser->focusProxy(), Qt::LeftButton, {}, {200, 150});
        QTRY_COMPARE(started, QList<QStringList>{{"mailto:notes@example.org?subject=Hello"}});
        QVERIFY(m_prompter->calls().isEmpty());
        QCOMPARE(browser->cboAddress->itemText(0), url("links"));
        ExternalProgram::setStarter({});
    }

    void fileLinksAreSavedWholeOrNotAtAll()
    {
        QTemporaryDir dir;
        const QString zip = dir.filePath(QStringLiteral("data.zip"));
        const QString notes = dir.filePath(QStringLiteral("notes.txt"));
        type(url("files"));
        waitFor("files");
        m_prompter->answer(zip);
        clickFileLink(0);
        m_prompter->answer(notes); // an attachment, offered under the server's name
        QTRY_COMPARE_WITH_TIMEOUT(filesIn(dir), QStringList{"data.zip"}, 15000);
        clickFileLink(1);
        QTRY_COMPARE_WITH_TIMEOUT(filesIn(dir), (QStringList{"data.zip", "notes.txt"}), 15000);
        QCOMPARE(readWholeFile(zip), served);
        QCOMPARE(readWholeFile(notes), "First line\r\nSecond line\r\n");
        QCOMPARE(m_prompter->offeredNames, (QStringList{"data.zip", "notes.txt"}));
        QVERIFY(m_prompter->calls().at(0).confirmsOverwrite);
        // The page stays, and the caption is its title again.
        QCOMPARE(browser->windowTitle(), QStringLiteral("Page files"));
        QCOMPARE(browser->cboAddress->itemText(0), url("files"));

        // Over an existing file the save box has asked: nothing asks again, no copy beside it.
        QVERIFY(writeWholeFile(zip, "older"));
        m_prompter->answer(zip);
        clickFileLink(0);
        QTRY_COMPARE_WITH_TIMEOUT(readWholeFile(zip), served, 15000);
        // The server cuts it short: the file there stays as it was, and the user is told.
        m_prompter->answer(zip);
        clickFileLink(2);
        QTRY_COMPARE_WITH_TIMEOUT(errorBoxes(*m_prompter), 1, 15000);
        QVERIFY(m_prompter->prompts().last().contains(QStringLiteral("Nothing was saved")));
        // Cancelled in the save box: nothing written, nothing said.
        m_prompter->cancel();
        clickFileLink(0);
        QTRY_COMPARE(m_prompter->calls().size(), 6);
        QTest::qWait(500);
        QCOMPARE(m_prompter->calls().size(), 6);
        QCOMPARE(readWholeFile(zip), served);
        QCOMPARE(filesIn(dir), (QStringList{"data.zip", "notes.txt"}));

        // A slow one shows its progress in the status strip until its Cancel is pressed.
        m_prompter->answer(dir.filePath(QStringLiteral("slow.zip")));
        clickFileLink(3);
        QProgressBar *bar = nullptr;
        QTRY_VERIFY_WITH_TIMEOUT((bar = m_main->MainStBar->findChild<QProgressBar *>()), 15000);
        QTRY_VERIFY_WITH_TIMEOUT(bar->isVisible() && bar->value() > 0, 15000);
        QVERIFY(bar->value() < 100);
        const QPointer<QWidget> entry = bar->parentWidget();
        QTest::mouseClick(entry->findChild<QToolButton *>(), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!m_main->MainStBar->findChild<QProgressBar *>(), 15000);
        QVERIFY(entry->findChild<QLabel *>()->text().contains(QStringLiteral("cancelled")));
        QTest::qWait(300);
        QCOMPARE(filesIn(dir), (QStringList{"data.zip", "notes.txt"}));
        QCOMPARE(m_prompter->calls().size(), 7);
    }

    void tinyWindow()
    {
        browser->parentWidget()->showNormal();
        browser->parentWidget()->resize(3, 3);
        browser->resize(1, 1);
        QTest::qWait(50);
        browser->parentWidget()->resize(600, 400);
        type(url("a"));
        waitFor("a");
    }

private:
    QString url(const char *page) const { return m_base + QLatin1String(page) + ".html"; }

    void waitFor(const char *page)
    {
        const QString title = QStringLiteral("Page ") + QLatin1String(page);
        QTRY_COMPARE_WITH_TIMEOUT(browser->cboAddress->itemText(0), url(page), 8000);
        QTRY_COMPARE(browser->windowTitle(), title);
    }

    void type(const QString &text)
    {
        browser->cboAddress->lineEdit()->setText(text);
        QTest::keyClick(browser->cboAddress, Qt::Key_Return);
    }

    // The links of files.html lie in 100-pixel bands from the top.
    void clickFileLink(int band)
    {
        QTest::mouseClick(browser->ctlWebBrowser->focusProxy(), Qt::LeftButton, {},
                          {200, 50 + 100 * band});
    }

    void press(const char *key)
    {
        if (QAction *action = browser->WebToolbar->findChild<QAction *>(QLatin1String(key)))
            action->trigger();
        else
            browser->PressToolbarButton(QLatin1String(key));
    }

    QProcess m_server;
    QString m_base;
    MemorySettingsStore m_settings;
    std::unique_ptr<TestSupport::TempDataRoot> m_root;
    std::unique_ptr<PdfPrompter> m_prompter;
    std::unique_ptr<FrmMain> m_main;
    frmWebBrowser *browser = nullptr;
};

int main(int argc, char *argv[])
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    TestWebBrowser test;
    return QTest::qExec(&test, argc, argv);
}

#include "web_browser_test.moc"
