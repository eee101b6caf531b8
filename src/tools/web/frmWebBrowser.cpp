#include "tools/web/frmWebBrowser.h"

#include "kb/frmmain.h"
#include "kb/tooldock.h"
#include "platform/base/apppaths.h"
#include "platform/base/checkedwrite.h"
#include "platform/base/settingsstore.h"
#include "platform/controls/controlhost.h"
#include "platform/prompt/prompter.h"
#include "shell/maillink.h"
#include "shell/messagebox.h"
#include "tools/web/WebAddressHistory.h"
#include "tools/web/WebDownload.h"
#include "tools/web/WebEngineSandbox.h"
#include "tools/web/WebMailFolders.h"
#include "winsvc/setcombowidth.h"

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QImageWriter>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMimeData>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QRegularExpression>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QUrl>
#include <QWebEngineDownloadRequest>
#include <QWebEngineHistory>
#include <QWebEngineLoadingInfo>
#include <QWebEngineNewWindowRequest>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>

#include <utility>

namespace {

// The hourglass for as long as the guard lives, whatever way the work ends.
class WaitCursor
{
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor &) = delete;
    WaitCursor &operator=(const WaitCursor &) = delete;
};

struct ToolButton
{
    const char *key;
    const char *tip;
    QStyle::StandardPixmap icon;
};

constexpr ToolButton toolButtons[] = {
    {"tbrBack", "Back", QStyle::SP_ArrowBack},
    {"tbrForward", "Forward", QStyle::SP_ArrowForward},
    {"tbrStop", "Stop", QStyle::SP_BrowserStop},
    {"tbrRefresh", "Refresh", QStyle::SP_BrowserReload},
    {"tbrHome", "Home", QStyle::SP_DirHomeIcon},
    {"tbrSearch", "Search", QStyle::SP_FileDialogContentsView},
    {"tbrFavoritesList", "Display Favorites List", QStyle::SP_DirLinkIcon},
    {"tbrPrintDesktop", "Print desktop", QStyle::SP_FileDialogDetailedView},
    {"tbrCapDesktop", "Capture desktop to file directly", QStyle::SP_DialogSaveButton},
    {"tbrInbox", "Mail Inbox", QStyle::SP_DriveNetIcon},
    {"tbrOutbox", "Mail Outbox", QStyle::SP_ArrowUp},
    {"tbrContacts", "Contacts", QStyle::SP_DirHomeIcon},
    {"tbrDisplayCurrHTMLDoc", "Display current HTML document", QStyle::SP_FileIcon},
};

QString browserSetting(const QString &key)
{
    const QString value =
        SettingsStore::instance()
            .value(WebAddressHistory::appName(), QStringLiteral("Web Browser"), key, QString())
            .toString();
    return value.trimmed().isEmpty() ? QStringLiteral("about:blank") : value;
}

// What the user typed, as an address; empty when it cannot be one. A typed scheme is
// taken at its word, so that a mistyped address is not silently turned into another.
QUrl addressToUrl(const QString &text)
{
    const QString address = text.trimmed();
    if (address.contains(QLatin1String("://"))) {
        const QUrl url(address, QUrl::StrictMode);
        if (!url.isValid() || (url.host().isEmpty() && !url.isLocalFile()))
            return {};
        return url;
    }
    const QUrl url = QUrl::fromUserInput(address);
    return url.isValid() ? url : QUrl();
}

QWidget *addressLabel()
{
    const QString caption = QStringLiteral("Address:");
    const QVariantMap bag = {{QStringLiteral("Caption"), caption}};
    QWidget *label = ControlHost::instance().create(QStringLiteral("BrennD.Label3D"), bag);
    if (!label)
        label = new QLabel(caption);
    label->setObjectName(QStringLiteral("lblAddress"));
    // The 3D label has no size of its own to offer the layout: give it its caption's,
    // plus the pixel its shadow is offset by.
    const QVariant font = label->property("Font");
    const QFontMetrics metrics(font.isValid() ? font.value<QFont>() : label->font());
    label->setFixedWidth(metrics.horizontalAdvance(caption) + 4);
    label->setMinimumHeight(metrics.height() + 1);
    return label;
}

// The page title as a file name: a slash or a control character becomes "_".
QString titleFileName(const QString &title)
{
    static const QRegularExpression unsafe(QStringLiteral("[/\\x00-\\x1f]"));
    QString name = title.trimmed();
    name.replace(unsafe, QStringLiteral("_"));
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        name = QStringLiteral("Untitled");
    return name + QStringLiteral(".txt");
}

// A picture in a file format chosen by the name's extension, PNG when it names none we write.
QByteArray encodePicture(const QImage &picture, const QString &fileName)
{
    QByteArray format = QFileInfo(fileName).suffix().toLower().toLatin1();
    if (!QImageWriter::supportedImageFormats().contains(format))
        format = "png";
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!picture.save(&buffer, format.constData()))
        return {};
    return bytes;
}

// The browser's page: a mail link goes to the desktop's mail program instead of the page.
class BrowserPage : public QWebEnginePage
{
public:
    using QWebEnginePage::QWebEnginePage;

protected:
    bool acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame) override
    {
        if (url.scheme().compare(QLatin1String("mailto"), Qt::CaseInsensitive) == 0) {
            MailLink::open(url);
            return false;
        }
        return QWebEnginePage::acceptNavigationRequest(url, type, isMainFrame);
    }
};

} // namespace

frmWebBrowser::frmWebBrowser(FrmMain *main, QWidget *parent) : QWidget(parent), m_main(main)
{
    setObjectName(QStringLiteral("frmWebBrowser"));
    setWindowTitle(defaultCaption());
    // Normally done at start-up already; needed before the first page is made.
    PrepareWebEngineSandbox();

    // The list of addresses may not exist yet: make it, keep an existing one.
    m_favoritesPath = WebFavorites::favoritesPath();
    WebFavorites::createFavoritesFile(m_favoritesPath);

    createControls();
    timer1 = new QTimer(this);
    timer1->setInterval(500);
    connect(timer1, &QTimer::timeout, this, &frmWebBrowser::timer1_Timer);
    ctlWebBrowser->setVisible(true);
    // The main window's docking service shows the toolbar in the top band while this window
    // is the active child, and sends it home otherwise.
    if (m_main) {
        m_dock = m_main->toolDock();
        m_dock->add(this, {WebToolbar, nullptr, nullptr, [this] { takeBackToolbar(); }});
    }

    ReadRecentURLs();
    offerRecentUrls();
    PressToolbarButton(QStringLiteral("tbrHome"));
}

void frmWebBrowser::offerRecentUrls()
{
    // The addresses chosen in earlier sessions start the list, newest first, each once, in
    // the form a completed page gives them.
    for (const QString &recent : std::as_const(m_recentUrls)) {
        const QUrl url = addressToUrl(recent);
        const QString address = url.isEmpty() ? recent : url.toString();
        if (cboAddress->findText(address, Qt::MatchExactly | Qt::MatchCaseSensitive) < 0)
            cboAddress->addItem(address);
    }
    cboAddress->setCurrentIndex(-1);
}

frmWebBrowser::~frmWebBrowser()
{
    if (m_dock)
        m_dock->remove(this);
}

QString frmWebBrowser::defaultCaption()
{
    return QStringLiteral("Web Browser");
}

void frmWebBrowser::createControls()
{
    m_layout = new QVBoxLayout(this);
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(0);
    createToolbar();
    m_layout->addWidget(WebToolbar);

    FrameWeb = new QFrame(this);
    FrameWeb->setObjectName(QStringLiteral("FrameWeb"));
    auto *frameLayout = new QVBoxLayout(FrameWeb);
    frameLayout->setContentsMargins(0, 0, 0, 0);
    frameLayout->setSpacing(1);

    auto *picAddressContainer = new QWidget(FrameWeb);
    picAddressContainer->setObjectName(QStringLiteral("picAddressContainer"));
    auto *addressLayout = new QHBoxLayout(picAddressContainer);
    addressLayout->setContentsMargins(2, 1, 2, 1);
    addressLayout->addWidget(addressLabel());
    cboAddress = new QComboBox(picAddressContainer);
    cboAddress->setObjectName(QStringLiteral("cboAddress"));
    SetComboEditable(cboAddress);
    cboAddress->setInsertPolicy(QComboBox::NoInsert);
    cboAddress->setMinimumWidth(1);
    cboAddress->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    addressLayout->addWidget(cboAddress, 1);
    frameLayout->addWidget(picAddressContainer);

    ctlWebBrowser = new QWebEngineView(FrameWeb);
    ctlWebBrowser->setObjectName(QStringLiteral("ctlWebBrowser"));
    ctlWebBrowser->setPage(new BrowserPage(ctlWebBrowser));
    ctlWebBrowser->setMinimumSize(1, 1);
    frameLayout->addWidget(ctlWebBrowser, 1);
    txtHtmlSource = new QPlainTextEdit(FrameWeb);
    txtHtmlSource->setObjectName(QStringLiteral("txtHtmlSource"));
    txtHtmlSource->setReadOnly(true);
    txtHtmlSource->hide();
    frameLayout->addWidget(txtHtmlSource, 1);
    m_layout->addWidget(FrameWeb, 1);
    setMinimumSize(1, 1);

    connect(cboAddress, &QComboBox::activated, this, [this] { cboAddress_Click(); });
    // Enter is taken here: left to the combo box it would also activate a matching entry,
    // and the address would be opened twice.
    cboAddress->installEventFilter(this);
    connect(ctlWebBrowser, &QWebEngineView::loadStarted, this, [this] {
        m_busy = true;
        m_rendererGone = false;
    });
    connect(ctlWebBrowser, &QWebEngineView::loadFinished, this, [this] { m_busy = false; });
    connect(ctlWebBrowser->page(), &QWebEnginePage::loadingChanged, this,
            [this](const QWebEngineLoadingInfo &loading) { navigateComplete(loading); });
    connect(ctlWebBrowser->page(), &QWebEnginePage::newWindowRequested, this,
            [this](QWebEngineNewWindowRequest &request) { newWindowRequested(request); });
    connect(ctlWebBrowser->page(), &QWebEnginePage::renderProcessTerminated, this, [this] {
        m_rendererGone = true;
        abandonTextSaves();
    });
    connect(ctlWebBrowser, &QWebEngineView::titleChanged, this,
            [this] { setWindowTitle(pageTitle()); });
    connect(ctlWebBrowser->page()->profile(), &QWebEngineProfile::downloadRequested, this,
            [this](QWebEngineDownloadRequest *download) { downloadRequested(download); });
}

void frmWebBrowser::downloadRequested(QWebEngineDownloadRequest *download)
{
    if (download->page() != ctlWebBrowser->page() || download->isSavePageDownload())
        return;
    const CloseGuard::Operation operation(m_closeGuard);
    // The link's answer is a file, not a page: the page shown stays, and is no longer busy.
    m_busy = false;
    WebDownload *started = WebDownload::start(download, m_main ? m_main->MainStBar : nullptr);
    if (!started) {
        downloadComplete();
        return;
    }
    connect(started, &WebDownload::finished, this, [this] { downloadComplete(); });
}

void frmWebBrowser::downloadComplete()
{
    setWindowTitle(pageTitle());
}

void frmWebBrowser::createToolbar()
{
    WebToolbar = new QToolBar(this);
    WebToolbar->setObjectName(QStringLiteral("WebToolbar"));
    for (const ToolButton &button : toolButtons) {
        const QString key = QLatin1String(button.key);
        QAction *action =
            WebToolbar->addAction(style()->standardIcon(button.icon), QLatin1String(button.tip));
        action->setObjectName(key);
        action->setToolTip(QLatin1String(button.tip));
        connect(action, &QAction::triggered, this, [this, key] { WebToolbar_ButtonClick(key); });
    }
}

void frmWebBrowser::SetParBack()
{
    if (m_dock)
        m_dock->undock(this);
}

void frmWebBrowser::takeBackToolbar()
{
    if (!WebToolbar || WebToolbar->parentWidget() == this)
        return;
    m_layout->insertWidget(0, WebToolbar);
    WebToolbar->show();
}

void frmWebBrowser::SetParentToMainForm()
{
    if (m_dock)
        m_dock->dock(this);
}

QString frmWebBrowser::pageTitle() const
{
    return ctlWebBrowser->title();
}

void frmWebBrowser::abandonTextSaves()
{
    // A page whose renderer has ended never sends the text: those saves have failed.
    if (m_textSavesPending == 0)
        return;
    ++m_textSaveGeneration;
    const int abandoned = std::exchange(m_textSavesPending, 0);
    ErrMsgProc(QStringLiteral("SavePageAsText"),
               QStringLiteral("The page stopped before its text could be saved."));
    for (int i = 0; i < abandoned; ++i)
        m_closeGuard.end();
}

void frmWebBrowser::doNavigate(const QString &url)
{
    const CloseGuard::Operation operation(m_closeGuard);
    WaitCursor wait;
    if (url.isEmpty())
        return;
    // An address the browser cannot make sense of is the user's typing error, not a crash.
    const QUrl target = addressToUrl(url);
    if (target.isEmpty()) {
        MsgBoxEx(QStringLiteral("\"%1\" is not a valid address.").arg(url), 103, 4,
                 QStringLiteral("ERROR"));
        return;
    }
    showBrowser();
    timer1->start();
    ctlWebBrowser->load(target);
}

void frmWebBrowser::cboAddress_Click()
{
    if (m_dontNavigateNow)
        return;
    const CloseGuard::Operation operation(m_closeGuard);
    const QString text = cboAddress->currentText();
    doNavigate(text);
    if (!m_lastAddressWasNew) {
        WriteRecentURLs(text);
        ReadRecentURLs();
    }
}

void frmWebBrowser::navigateComplete(const QWebEngineLoadingInfo &loading)
{
    if (loading.status() == QWebEngineLoadingInfo::LoadStartedStatus)
        return;
    setWindowTitle(pageTitle());
    // A page that could not be reached completes too, on its error page, and heads the list
    // like any other; a load that was stopped or replaced completes nothing.
    if (loading.status() == QWebEngineLoadingInfo::LoadStoppedStatus)
        return;
    const QString location = ctlWebBrowser->url().toString();
    if (location.isEmpty())
        return;
    const int found = cboAddress->findText(location, Qt::MatchExactly | Qt::MatchCaseSensitive);
    m_dontNavigateNow = true;
    if (found >= 0) {
        cboAddress->removeItem(found);
        m_lastAddressWasNew = false;
    } else {
        m_lastAddressWasNew = true;
    }
    cboAddress->insertItem(0, location);
    cboAddress->setCurrentIndex(0);
    m_dontNavigateNow = false;
}

void frmWebBrowser::newWindowRequested(QWebEngineNewWindowRequest &request)
{
    // A link meant for a new window opens in this one; a window a page opens of its own
    // accord stays shut.
    if (!request.isUserInitiated())
        return;
    const QUrl url = request.requestedUrl();
    if (url.scheme().compare(QLatin1String("mailto"), Qt::CaseInsensitive) == 0)
        MailLink::open(url);
    else if (url.isValid())
        ctlWebBrowser->load(url);
}

void frmWebBrowser::timer1_Timer()
{
    setWindowTitle(m_busy ? QStringLiteral("Processing...") : pageTitle());
}

void frmWebBrowser::WriteRecentURLs(const QString &url)
{
    WebAddressHistory::WriteRecentURLs(SettingsStore::instance(), url);
}

void frmWebBrowser::ReadRecentURLs()
{
    m_recentUrls = WebAddressHistory::ReadRecentURLs(SettingsStore::instance());
}

void frmWebBrowser::OptionsStatusbarProc(QWidget *frm)
{
    if (!frm)
        return;
    QAction *item = nullptr;
    if (auto *main = qobject_cast<FrmMain *>(frm))
        item = main->menuItem(QStringLiteral("mnuOptionsStatusbar"));
    if (!item)
        item = frm->findChild<QAction *>(QStringLiteral("mnuOptionsStatusbar"));
    if (!item)
        return;
    item->setChecked(!item->isChecked());
    if (m_main && m_main->MainStBar)
        m_main->MainStBar->setVisible(item->isChecked());
}

void frmWebBrowser::ErrMsgProc(const QString &, const QString &description)
{
    const CloseGuard::Operation operation(m_closeGuard);
    MsgBoxEx(description, 103, 4, QStringLiteral("ERROR"));
}

void frmWebBrowser::PressToolbarButton(const QString &key)
{
    WebToolbar_ButtonClick(key);
}

void frmWebBrowser::WebToolbar_ButtonClick(const QString &key)
{
    const CloseGuard::Operation operation(m_closeGuard);
    timer1->start();
    const QString command = key.toUpper();
    if (command != QLatin1String("TBRDISPLAYCURRHTMLDOC"))
        showBrowser();
    if (command == QLatin1String("TBRBACK")) {
        ctlWebBrowser->back();
    } else if (command == QLatin1String("TBRFORWARD")) {
        ctlWebBrowser->forward();
    } else if (command == QLatin1String("TBRSTOP")) {
        timer1->stop();
        ctlWebBrowser->stop();
        setWindowTitle(pageTitle());
    } else if (command == QLatin1String("TBRREFRESH")) {
        ctlWebBrowser->reload();
    } else if (command == QLatin1String("TBRHOME")) {
        homeOrSearch(QStringLiteral("Home Page"));
    } else if (command == QLatin1String("TBRSEARCH")) {
        homeOrSearch(QStringLiteral("Search Page"));
    } else if (command == QLatin1String("TBRPRINTDESKTOP")) {
        PrintDesktop();
    } else if (command == QLatin1String("TBRCAPDESKTOP")) {
        CaptureDesktop();
    } else if (command == QLatin1String("TBRINBOX")) {
        OutlookLogon(QStringLiteral("Inbox"));
    } else if (command == QLatin1String("TBROUTBOX")) {
        OutlookLogon(QStringLiteral("Outbox"));
    } else if (command == QLatin1String("TBRCONTACTS")) {
        OutlookLogon(QStringLiteral("Contacts"));
    } else if (command == QLatin1String("TBRDISPLAYCURRHTMLDOC")) {
        DisplayCurrHtmlDoc();
    } else if (command == QLatin1String("TBRLISTLINKS")) {
        ListLinks();
    }
}

void frmWebBrowser::homeOrSearch(const QString &key)
{
    const QUrl target = addressToUrl(browserSetting(key));
    if (!target.isEmpty())
        ctlWebBrowser->load(target);
}

void frmWebBrowser::showBrowser()
{
    txtHtmlSource->hide();
    ctlWebBrowser->show();
}

void frmWebBrowser::DisplayCurrHtmlDoc()
{
    // A second press brings the page back.
    if (txtHtmlSource->isVisible()) {
        showBrowser();
        return;
    }
    WaitCursor wait;
    QPointer<frmWebBrowser> self(this);
    ctlWebBrowser->page()->runJavaScript(
        QStringLiteral("document.body ? document.body.innerHTML : ''"),
        [self](const QVariant &html) {
            if (!self)
                return;
            self->txtHtmlSource->setPlainText(html.toString());
            self->ctlWebBrowser->hide();
            self->txtHtmlSource->show();
        });
}

void frmWebBrowser::ListLinks()
{
    if (cboAddress->currentText().isEmpty()) {
        MsgBoxEx(QStringLiteral("No URL or address yet"), 103, 4, QStringLiteral("ERROR"));
        return;
    }
    QPointer<frmWebBrowser> self(this);
    ctlWebBrowser->page()->runJavaScript(
        QStringLiteral("Math.min(document.links.length, 100)"), [self](const QVariant &count) {
            if (!self)
                return;
            if (count.toInt() == 0)
                Prompter::instance().plainMessage(
                    QStringLiteral("No links listed, try a different level or a different URL"),
                    AppPaths::applicationTitle(), Prompter::PlainIcon::None);
            else
                self->ctlWebBrowser->setFocus();
        });
}

void frmWebBrowser::OutlookLogon(const QString &folder)
{
    QString error;
    if (!WebMailFolders::openFolder(folder, &error))
        ErrMsgProc(QStringLiteral("OutlookLogon"), error);
}

void frmWebBrowser::PrintDesktop()
{
    QPrinter printer(QPrinter::HighResolution);
    if (!Prompter::instance().printSetup(&printer, QStringLiteral("Print")))
        return; // cancelled: no message
    const QPixmap image = grab();
    QPainter painter;
    if (!painter.begin(&printer)) {
        ErrMsgProc(QStringLiteral("PrintDesktop"),
                   QStringLiteral("The printer could not be started."));
        return;
    }
    const QRect page = painter.viewport();
    const QSize size = image.size().scaled(page.size(), Qt::KeepAspectRatio);
    painter.setViewport(page.x(), page.y(), size.width(), size.height());
    painter.setWindow(image.rect());
    painter.drawPixmap(0, 0, image);
    painter.end();
}

void frmWebBrowser::CaptureDesktop()
{
    const CloseGuard::Operation operation(m_closeGuard);
    const std::optional<QString> chosen = Prompter::instance().saveFileName(
        QStringLiteral("Save As"), QString(),
        QStringLiteral("Pictures (*.png *.bmp *.jpg);;All files (*)"));
    if (!chosen || chosen->isEmpty())
        return;
    // Our own window, grabbed directly: the clipboard stays the user's.
    const QByteArray bytes = encodePicture(window()->grab().toImage(), *chosen);
    QString error;
    if (bytes.isEmpty() || !writeWholeFile(*chosen, bytes, &error))
        ErrMsgProc(QStringLiteral("CaptureDesktop"),
                   QStringLiteral("The picture could not be saved as \"%1\". %2")
                       .arg(*chosen, error)
                       .trimmed());
}

void frmWebBrowser::SaveDesktopFromClipboard()
{
    const CloseGuard::Operation operation(m_closeGuard);
    const QMimeData *clipboard = QApplication::clipboard()->mimeData();
    if (!clipboard || !clipboard->hasImage()) {
        Prompter::instance().plainMessage(QStringLiteral("No picture in clipboard yet"),
                                          AppPaths::applicationTitle(), Prompter::PlainIcon::None);
        return;
    }
    CaptureDesktop();
}

QString frmWebBrowser::SavePageAsText()
{
    if (ctlWebBrowser->url().isEmpty())
        return {};
    const QString path = GetAppPath() + titleFileName(pageTitle());
    if (m_rendererGone) {
        ErrMsgProc(QStringLiteral("SavePageAsText"),
                   QStringLiteral("The page has stopped; its text cannot be saved."));
        return {};
    }
    // The text arrives later; the window waits for it before it may close.
    m_closeGuard.begin();
    ++m_textSavesPending;
    const int generation = m_textSaveGeneration;
    QPointer<frmWebBrowser> self(this);
    ctlWebBrowser->page()->toPlainText([self, path, generation](const QString &text) {
        if (!self || generation != self->m_textSaveGeneration)
            return;
        --self->m_textSavesPending;
        QString error;
        const bool ok = writeWholeFile(path, text.toUtf8(), &error);
        if (!ok)
            self->ErrMsgProc(QStringLiteral("SavePageAsText"),
                             QStringLiteral("The page could not be saved as \"%1\". %2")
                                 .arg(path, error)
                                 .trimmed());
        emit self->pageTextSaved(path, ok);
        self->m_closeGuard.end();
    });
    return path;
}

void frmWebBrowser::FocusAddress()
{
    cboAddress->setFocus();
}

void frmWebBrowser::CloseBrowser()
{
    if (QWidget *frame = parentWidget())
        frame->close();
    else
        close();
}

bool frmWebBrowser::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == cboAddress && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            cboAddress_Click();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void frmWebBrowser::closeEvent(QCloseEvent *event)
{
    ctlWebBrowser->stop();
    // Asked to close while our own work is under way (from a timer or another window while a
    // dialog of ours is up, or with a save waiting for the page): the work ends first.
    if (m_closeGuard.busy()) {
        m_closeGuard.deferClose();
        // A page text that has not come after a while is not coming: give up on it then.
        if (m_textSavesPending > 0)
            QTimer::singleShot(5000, this, [this] {
                if (m_closeGuard.closePending())
                    abandonTextSaves();
            });
        event->ignore();
        return;
    }
    if (m_dock)
        m_dock->remove(this);
    event->accept();
}
