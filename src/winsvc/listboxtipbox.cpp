#include "listboxtipbox.h"

#include <QListWidget>
#include <QStyledItemDelegate>
#include <QToolTip>

namespace {

// Every item as wide as the list's horizontal extent, so that the list scrolls sideways over
// it whatever its items hold.
class ExtentDelegate : public QStyledItemDelegate
{
public:
    ExtentDelegate(int extent, QObject *parent) : QStyledItemDelegate(parent), m_extent(extent) {}

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        return {m_extent, QStyledItemDelegate::sizeHint(option, index).height()};
    }

private:
    int m_extent;
};

constexpr int HorizontalExtent = 1900;

} // namespace

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
    const QString shown = list->viewport()->toolTip();
    list->setToolTip(tip);
    list->viewport()->setToolTip(tip);
    // A tip on view goes with the text it showed.
    if (tip != shown && QToolTip::isVisible() && QToolTip::text() == shown)
        QToolTip::hideText();
}

void SetListHScroll(QListWidget *list)
{
    if (!list)
        return;
    list->setItemDelegate(new ExtentDelegate(HorizontalExtent, list));
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    list->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
}
