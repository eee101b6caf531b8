#include "setcombowidth.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QScreen>

void SetComboEditable(QComboBox *combo)
{
    combo->setEditable(true);
    combo->setCompleter(nullptr);
}

int comboDropWidth(const QComboBox *combo)
{
    return std::max(combo->width(), combo->view()->minimumWidth());
}

bool AdjustComboDropWidth(QComboBox *combo)
{
    if (!combo || combo->count() == 0)
        return false;
    // Measured in the combo's own font; no other control's font is borrowed.
    const QFontMetrics metrics(combo->font());
    int widest = 0;
    for (int index = 0; index < combo->count(); ++index)
        widest = std::max(widest, metrics.horizontalAdvance(combo->itemText(index)) + 30);
    if (widest < comboDropWidth(combo))
        return true;
    const QScreen *screen = combo->screen() ? combo->screen() : QGuiApplication::primaryScreen();
    if (screen)
        widest = std::min(widest, screen->geometry().width() - 20);
    combo->view()->setMinimumWidth(widest);
    return widest > 0;
}
