#include "listboxtipbox.h"

#include <QListWidget>

QString listTipOrdinal(int n, int count)
{
    if (n == count - 1 && n > 2)
        return QStringLiteral("last");
    const int number = n + 1;
    // English endings: 1st, 2nd, 3rd, 4th ... 11th, 12th, 13th ... 21st, 22nd, 23rd.
    const int lastTwo = number % 100;
    QString ending = QStringLiteral("th");
    if (lastTwo < 11 || lastTwo > 13) {
        switch (number % 10) {
        case 1:
            ending = QStringLiteral("st");
            break;
        case 2:
            ending = QStringLiteral("nd");
            break;
        case 3:
            ending = QStringLiteral("rd");
            break;
        default:
            break;
        }
    }
    return QString::number(number) + ending;
}

void ListBoxTip(QListWidget *list, Qt::MouseButtons buttons, const QPoint &pos)
{
    if (!list || buttons != Qt::NoButton)
        return;
    QListWidgetItem *item = list->itemAt(pos);
    const int n = item ? list->row(item) : -1;
    QString tip;
    if (n >= 0 && n < list->count())
        tip = QStringLiteral("The ") + listTipOrdinal(n, list->count()) +
              QStringLiteral(" record: ") + item->text();
    list->setToolTip(tip);
    list->viewport()->setToolTip(tip);
}

void SetListHScroll(QListWidget *list)
{
    if (!list)
        return;
    // The view measures its widest item itself; it only has to be allowed to scroll sideways.
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    list->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
}
