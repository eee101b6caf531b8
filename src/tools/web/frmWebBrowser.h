#pragma once

#include "kb/dockabletool.h"
#include "winsvc/closeguard.h"

#include <QPointer>
#include <QStringList>
#include <QWidget>

class FrmMain;
class QAction;
class QComboBox;
class QFrame;
class QPlainTextEdit;
class QTimer;
class QToolBar;
class QVBoxLayout;
class QWebEngineDownloadRequest;
class QWebEngineLoadingInfo;
class QWebEngineNewWindowRequest;
class QWebEngineView;
class ToolDock;

// The built-in web browser: an address box, the page, and a toolbar that the main
// window borrows while the browser is in use.
class frmWebBrowser : public QWidget, public DockableTool
{
    Q_OBJECT

public:
    explicit frmWebBrowser(FrmMain *main, QWidget *parent = nullptr);
    ~frmWebBrowser() override;

    // Docking: the toolbar into the main window's holder panel and back.
    void SetPar() override { SetParentToMainForm(); }
    void SetParBack() override;
    void SetParentToMainForm();

    void doNavigate(const QString &url);
    void WriteRecentURLs(const QString &url);
    void OptionsStatusbarProc(QWidget *frm);
    void ErrMsgProc(const QString &procedure, const QString &description);

    // Runs the toolbar command of the button with this key (any letter case).
    void PressToolbarButton(const QString &key);
    void WebToolbar_ButtonClick(const QString &key);
    void FocusAddress();
    void CloseBrowser();
    // Saves the page's text as its title & ".txt" in the program folder, without asking.
    // The text comes from the page later: the result is the file that will be written,
    // empty when there is no page; pageTextSaved reports the outcome.
    QString SavePageAsText();
    // With a picture on the clipboard, captures the window as CaptureDesktop does;
    // otherwise says there is none.
    void SaveDesktopFromClipboard();

    // Controls, by the names the main window and the tests use.
    QToolBar *WebToolbar = nullptr;
    QComboBox *cboAddress = nullptr;
    QWebEngineView *ctlWebBrowser = nullptr;
    QFrame *FrameWeb = nullptr;
    QTimer *timer1 = nullptr;
    // Shows the page's HTML in place of the page.
    QPlainTextEdit *txtHtmlSource = nullptr;

    bool isBusy() const { return m_busy; }
    bool lastAddressWasNew() const { return m_lastAddressWasNew; }
    QStringList recentUrls() const { return m_recentUrls; }
    QString favoritesPath() const { return m_favoritesPath; }
    QString pageTitle() const;

    static QString defaultCaption(); // until the first page completes

signals:
    void pageTextSaved(const QString &path, bool ok);

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void abandonTextSaves();

    void createControls();
    void createToolbar();
    void ReadRecentURLs();
    void offerRecentUrls();
    void cboAddress_Click();
    void navigateComplete(const QWebEngineLoadingInfo &loading);
    void newWindowRequested(QWebEngineNewWindowRequest &request);
    void downloadRequested(QWebEngineDownloadRequest *download);
    void downloadComplete();
    void timer1_Timer();
    void showBrowser();
    void DisplayCurrHtmlDoc();
    void ListLinks();
    void OutlookLogon(const QString &folder);
    void PrintDesktop();
    void CaptureDesktop();
    void homeOrSearch(const QString &key);
    // Puts the lent toolbar back into this window.
    void takeBackToolbar();

    QPointer<FrmMain> m_main;
    QPointer<ToolDock> m_dock;
    QVBoxLayout *m_layout = nullptr;
    QString m_favoritesPath;
    QStringList m_recentUrls;
    bool m_dontNavigateNow = false;
    bool m_lastAddressWasNew = false;
    bool m_busy = false;
    // Work of the window under way (a dialog of ours up, a save waiting for the page): a
    // close asked for meanwhile is carried out when the last of it ends.
    CloseGuard m_closeGuard{[this] {
                                m_closeGuard.dropClose();
                                CloseBrowser();
                            },
                            this};
    int m_textSavesPending = 0;
    int m_textSaveGeneration = 0; // a page whose renderer ended answers no older save
    bool m_rendererGone = false;
};
