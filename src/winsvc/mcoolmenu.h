#pragma once

#include <QColor>
#include <QFont>
#include <QHash>
#include <QIcon>
#include <QObject>
#include <QPointer>
#include <QVariant>

#include <optional>

class QAction;
class QMainWindow;
class QMenu;
class QStyle;

// What a menu caption's decorations say about its item.
// Caption syntax: an optional "-" (separator, the rest its text), "#" (check mark) or "*"
// (radio mark); an optional "|help|" part; then the text shown, "&" marking the mnemonic.
// "&1 Title" entries are radio items; a text starting "!" keeps the item invisible.
struct CMyItemData
{
    bool bTrueSub = false;
    QString sMenuHelp;
    bool bAsMark = false;
    bool bAsCheck = false;
    bool bMainMenu = false;
    int iButton = -1;
    bool separator = false;
    QString sMenuText;
};

CMyItemData ParseMenuCaption(const QString &caption);
// The caption an item's data came from.
QString FormatMenuCaption(const CMyItemData &data);

// A menu picture with the tag that picks it by an item's text.
struct MenuImage
{
    QString tag;
    QIcon icon;
};
// The first image whose tag and the text agree over the shorter length, case ignored; -1.
int GetImageIndexByKey(const QList<MenuImage> &images, const QString &text);

// Receives the help text of the menu item under the pointer.
class HelpCallBack : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;
    void RaiseHelpEvent(const QString &menuText, const QString &menuHelp, bool enabled)
    {
        emit MenuHelp(menuText, menuHelp, enabled);
    }

signals:
    void MenuHelp(const QString &menuText, const QString &menuHelp, bool enabled);
};

// The owner-drawn menu state of one window.
class WndCoolMenu : public QObject
{
    Q_OBJECT

public:
    explicit WndCoolMenu(QMainWindow *window);

    QPointer<QMainWindow> window;
    QList<MenuImage> images;
    QPointer<HelpCallBack> HelpObj;
    QString FontName;
    int FontSize = 8;
    quint32 ForeColor = 0;
    quint32 SelectColor = 0;
    bool ComplexChecks = true;
    bool ColorEmbossed = true;
    bool RightToLeft = false;
    bool FullSelect = true;
    int MainPopedIndex = -1;
    QHash<const QAction *, CMyItemData> items;
    // The style that draws the items, and every menu it serves so far.
    QStyle *style = nullptr;
    QList<QPointer<QMenu>> hooked;
    // The input a menu is handling may move to another menu of the bar rather than leave it.
    bool switchInput = false;
    // A menu left that way: the sound waits to see whether another one opens in its place.
    bool closePending = false;

    QFont MenuFont() const;
    const CMyItemData *itemData(const QAction *action) const;
    // Applies the font to the menu bar and every menu.
    void refreshFonts();
    QAction *OnMenuChar(const QMenu *menu, QChar typed) const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};

bool InstallCoolMenu(QMainWindow *window, HelpCallBack *help = nullptr,
                     const QList<MenuImage> &images = {});
bool UninstallCoolMenu(QMainWindow *window);
WndCoolMenu *CoolMenuOf(const QMainWindow *window);

// With a value: store it and return it; without: the current value. No service: empty.
QVariant SetMenuSelectColor(QMainWindow *window, std::optional<quint32> color = {});
QVariant SetMenuFontSize(QMainWindow *window, std::optional<int> size = {});
QVariant SetMenuForeColor(QMainWindow *window, std::optional<quint32> color = {});
QVariant SetMenuFontName(QMainWindow *window, std::optional<QString> name = {});
