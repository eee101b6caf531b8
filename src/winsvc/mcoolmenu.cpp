#include "mcoolmenu.h"

#include "coolmenustyle.h"
#include "platform/base/colors.h"
#include "shell/nsnd.h"

#include <QActionEvent>
#include <QApplication>
#include <QKeyEvent>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>

namespace {

const char *const CaptionProperty = "menuCaption";

// "&1 Title": the numbered entries of a window list.
bool isNumberedEntry(const QString &caption)
{
    return caption.size() >= 3 && caption.at(0) == QLatin1Char('&') &&
           caption.at(1) >= QLatin1Char('1') && caption.at(1) <= QLatin1Char('9') &&
           caption.at(2) == QLatin1Char(' ');
}

} // namespace

CMyItemData ParseMenuCaption(const QString &caption)
{
    CMyItemData data;
    QString rest = caption;
    const QChar first = caption.isEmpty() ? QChar() : caption.at(0);
    if (first == QLatin1Char('-') || first == QLatin1Char('#') || first == QLatin1Char('*')) {
        data.separator = first == QLatin1Char('-');
        data.bAsMark = !data.separator;
        data.bAsCheck = first == QLatin1Char('#');
        rest.remove(0, 1);
    }
    // A help part needs both bars; a lone "|" is part of the text.
    const qsizetype open = rest.indexOf(QLatin1Char('|'));
    const qsizetype close = open >= 0 ? rest.indexOf(QLatin1Char('|'), open + 1) : -1;
    if (close >= 0) {
        data.sMenuHelp = rest.mid(open + 1, close - open - 1);
        rest = rest.mid(close + 1);
    }
    data.sMenuText = rest;
    if (isNumberedEntry(caption)) {
        data.bAsMark = true;
        data.bAsCheck = false;
    }
    return data;
}

QString FormatMenuCaption(const CMyItemData &data)
{
    QString caption;
    if (data.separator)
        caption = QStringLiteral("-");
    else if (data.bAsMark && !(isNumberedEntry(data.sMenuText) && !data.bAsCheck))
        caption = data.bAsCheck ? QStringLiteral("#") : QStringLiteral("*");
    if (!data.sMenuHelp.isEmpty())
        caption += QLatin1Char('|') + data.sMenuHelp + QLatin1Char('|');
    return caption + data.sMenuText;
}

int GetImageIndexByKey(const QList<MenuImage> &images, const QString &text)
{
    for (qsizetype i = 0; i < images.size(); ++i) {
        const QString &tag = images.at(i).tag;
        if (tag.isEmpty())
            continue;
        const qsizetype n = std::min(tag.size(), text.size());
        if (QStringView(text).left(n).compare(QStringView(tag).left(n), Qt::CaseInsensitive) == 0)
            return int(i);
    }
    return -1;
}

WndCoolMenu::WndCoolMenu(QMainWindow *owner) : QObject(owner), window(owner)
{
    setObjectName(QStringLiteral("WndCoolMenu"));
}

QFont WndCoolMenu::MenuFont() const
{
    QFont font = window ? window->font() : QApplication::font();
    if (!FontName.isEmpty()) {
        font.setFamily(FontName);
        font.setPointSize(FontSize);
        font.setWeight(FontName.contains(QLatin1String("Black"), Qt::CaseInsensitive)
                           ? QFont::Black
                           : QFont::Normal);
    }
    return font;
}

const CMyItemData *WndCoolMenu::itemData(const QAction *action) const
{
    const auto it = items.constFind(action);
    return it == items.cend() ? nullptr : &it.value();
}

void WndCoolMenu::refreshFonts()
{
    if (!window)
        return;
    const QFont font = MenuFont();
    window->menuBar()->setFont(font);
    // A menu served later takes the font then.
    for (QMenu *menu : std::as_const(hooked))
        if (menu)
            menu->setFont(font);
}

WndCoolMenu *CoolMenuOf(const QMainWindow *window)
{
    return window ? window->findChild<WndCoolMenu *>(QStringLiteral("WndCoolMenu"),
                                                     Qt::FindDirectChildrenOnly)
                  : nullptr;
}

namespace {

void convertAction(WndCoolMenu *state, QAction *action, bool menuBar)
{
    // An item keeps its data while its text is the one shown; a new text is a new caption.
    const auto known = state->items.find(action);
    const bool first = known == state->items.end();
    if (!first && action->text() == known->sMenuText) {
        known->bTrueSub = action->menu() && !menuBar;
        return;
    }
    QString caption = first ? action->property(CaptionProperty).toString() : QString();
    if (caption.isEmpty())
        caption = action->text();
    CMyItemData data = ParseMenuCaption(caption);
    data.bMainMenu = menuBar;
    data.bTrueSub = action->menu() && !menuBar;
    data.iButton = menuBar ? -1 : GetImageIndexByKey(state->images, data.sMenuText);
    if (data.iButton >= 0 && action->icon().isNull())
        action->setIcon(state->images.at(data.iButton).icon);
    if (data.separator && !action->isSeparator())
        action->setSeparator(true);
    if (action->text() != data.sMenuText)
        action->setText(data.sMenuText);
    if (data.bAsMark)
        action->setCheckable(true);
    // The help goes to the window's help receiver alone (menu hover), never to a status bar.
    state->items.insert(action, data);
}

void menuLeft(WndCoolMenu *state)
{
    state->closePending = false;
    SetSndName(QStringLiteral("MENU"));
    PlaySnd();
    state->MainPopedIndex = -1;
}

void menuClosed(WndCoolMenu *state)
{
    // Nested menus close innermost first, each already off the popup stack as it hides: the
    // sound plays once, as the last one goes, and before a command chosen from it runs.
    if (QApplication::activePopupWidget())
        return;
    if (!state->switchInput) {
        menuLeft(state);
        return;
    }
    // Moving along the bar hides one menu and shows the next within the same input; only a
    // menu that no other replaces has been left. No command runs from such input.
    state->closePending = true;
    QTimer::singleShot(0, state, [state] {
        if (state->closePending)
            menuLeft(state);
    });
}

void hookMenu(WndCoolMenu *state, QMenu *menu);

// The items of a drop-down menu are converted as it is about to show, so items and menus
// added after installation get the caption syntax, pictures and separators too.
void convertMenu(WndCoolMenu *state, QMenu *menu)
{
    const auto actions = menu->actions();
    for (QAction *action : actions) {
        convertAction(state, action, false);
        if (action->menu())
            hookMenu(state, action->menu());
    }
}

void hookMenu(WndCoolMenu *state, QMenu *menu)
{
    if (!menu || state->hooked.contains(menu))
        return;
    state->hooked.append(menu);
    menu->installEventFilter(state);
    menu->setStyle(state->style);
    menu->setFont(state->MenuFont());
    QObject::connect(menu, &QMenu::hovered, state, [state](QAction *action) {
        if (!state->HelpObj)
            return;
        const CMyItemData *data = state->itemData(action);
        if (data && !action->menu())
            state->HelpObj->RaiseHelpEvent(data->sMenuText, data->sMenuHelp, action->isEnabled());
        else
            state->HelpObj->RaiseHelpEvent(QString(), QString(), true);
    });
    QObject::connect(menu, &QMenu::aboutToHide, state, [state] { menuClosed(state); });
    QObject::connect(menu, &QMenu::aboutToShow, state, [state, menu] {
        state->closePending = false;
        if (QWidget *w = state->window ? state->window->menuBar() : nullptr) {
            const auto top = static_cast<QMenuBar *>(w)->actions();
            const qsizetype position = top.indexOf(menu->menuAction());
            if (position >= 0)
                state->MainPopedIndex = int(position);
        }
        convertMenu(state, menu);
    });
}

void convertBarItem(WndCoolMenu *state, QAction *action)
{
    convertAction(state, action, true);
    hookMenu(state, action->menu());
}

} // namespace

// The item a typed mnemonic shared by several items of an open menu highlights: the
// highlighted one when it is among them, else the first; nullptr when one item or none has it
// (the menu's own handling then runs that item, or ignores the key).
QAction *WndCoolMenu::OnMenuChar(const QMenu *menu, QChar typed) const
{
    QList<QAction *> matches;
    const auto actions = menu->actions();
    for (QAction *action : actions) {
        const CMyItemData *data = itemData(action);
        if (!data || !action->isVisible() || data->separator)
            continue;
        const qsizetype amp = data->sMenuText.indexOf(QLatin1Char('&'));
        if (amp >= 0 && amp + 1 < data->sMenuText.size() &&
            data->sMenuText.at(amp + 1).toUpper() == typed.toUpper())
            matches.append(action);
    }
    if (matches.size() < 2)
        return nullptr;
    return matches.contains(menu->activeAction()) ? menu->activeAction() : matches.first();
}

bool WndCoolMenu::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::MouseMove:
    case QEvent::MouseButtonPress:
        switchInput = true;
        break;
    case QEvent::MouseButtonRelease:
        switchInput = false;
        break;
    case QEvent::KeyPress: {
        const int key = static_cast<QKeyEvent *>(event)->key();
        switchInput = key == Qt::Key_Left || key == Qt::Key_Right;
        break;
    }
    default:
        break;
    }
    if (event->type() == QEvent::KeyPress) {
        auto *menu = qobject_cast<QMenu *>(watched);
        const auto *key = static_cast<QKeyEvent *>(event);
        const Qt::KeyboardModifiers mods = key->modifiers() & ~Qt::KeypadModifier;
        if (menu && key->text().size() == 1 && key->text().at(0).isPrint() &&
            (mods == Qt::NoModifier || mods == Qt::ShiftModifier || mods == Qt::AltModifier)) {
            if (QAction *select = OnMenuChar(menu, key->text().at(0))) {
                menu->setActiveAction(select);
                return true;
            }
        }
    }
    // A menu added to the bar later is served like the ones there at installation.
    // Only the bar is watched; the window is not asked for it, which could make a new one.
    if (event->type() == QEvent::ActionAdded && qobject_cast<QMenuBar *>(watched))
        convertBarItem(this, static_cast<QActionEvent *>(event)->action());
    return QObject::eventFilter(watched, event);
}

bool InstallCoolMenu(QMainWindow *window, HelpCallBack *help, const QList<MenuImage> &images)
{
    if (!window || CoolMenuOf(window))
        return true;
    auto *state = new WndCoolMenu(window);
    state->SelectColor = Colors::toBgr(window->palette().color(QPalette::Highlight));
    state->HelpObj = help;
    state->images = images;
    state->style = new CoolMenuStyle(state);
    state->style->setParent(state);
    QMenuBar *bar = window->menuBar();
    bar->setStyle(state->style);
    const auto barActions = bar->actions();
    for (QAction *action : barActions)
        convertBarItem(state, action);
    bar->installEventFilter(state);
    return true;
}

bool UninstallCoolMenu(QMainWindow *window)
{
    WndCoolMenu *state = CoolMenuOf(window);
    if (!state)
        return false;
    for (QMenu *menu : std::as_const(state->hooked))
        if (menu)
            menu->setStyle(nullptr);
    window->menuBar()->removeEventFilter(state);
    window->menuBar()->setStyle(nullptr);
    delete state;
    return true;
}

QVariant SetMenuSelectColor(QMainWindow *window, std::optional<quint32> color)
{
    WndCoolMenu *state = CoolMenuOf(window);
    if (!state)
        return {};
    if (color)
        state->SelectColor = *color;
    return state->SelectColor;
}

QVariant SetMenuFontSize(QMainWindow *window, std::optional<int> size)
{
    WndCoolMenu *state = CoolMenuOf(window);
    if (!state)
        return {};
    if (!size)
        return state->FontSize;
    state->FontSize = *size;
    state->refreshFonts();
    return *size;
}

QVariant SetMenuForeColor(QMainWindow *window, std::optional<quint32> color)
{
    WndCoolMenu *state = CoolMenuOf(window);
    if (!state)
        return {};
    if (!color)
        return state->ForeColor;
    state->ForeColor = *color;
    state->refreshFonts();
    return *color;
}

QVariant SetMenuFontName(QMainWindow *window, std::optional<QString> name)
{
    WndCoolMenu *state = CoolMenuOf(window);
    if (!state)
        return {};
    if (!name)
        return state->FontName;
    state->FontName = *name;
    state->refreshFonts();
    return *name;
}
