#include "platform/base/apperror.h"
#include "platform/base/colors.h"
#include "winsvc/clstooltip.h"
#include "winsvc/flat.h"
#include "winsvc/listboxtipbox.h"
#include "winsvc/msubclass.h"
#include "winsvc/setcombowidth.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QHelpEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

namespace {

void send(QWidget *widget, QEvent::Type type)
{
    QEvent event(type);
    QCoreApplication::sendEvent(widget, &event);
}

void sendFocus(QWidget *widget, QEvent::Type type)
{
    QFocusEvent event(type, Qt::OtherFocusReason);
    QCoreApplication::sendEvent(widget, &event);
}

// The pointer arriving over the control.
void mouseMove(QWidget *widget)
{
    QEnterEvent event(QPointF(3, 3), widget->mapTo(widget->window(), QPointF(3, 3)),
                      widget->mapToGlobal(QPointF(3, 3)));
    QCoreApplication::sendEvent(widget, &event);
}

QRgb leftEdge(QWidget *widget)
{
    return widget->grab().toImage().pixel(0, widget->height() / 2);
}

} // namespace

class TestLook : public QObject
{
    Q_OBJECT

private slots:
    void flatComboFollowsHoverAndFocus()
    {
        QWidget window;
        auto *layout = new QVBoxLayout(&window);
        auto *other = new QLineEdit;
        layout->addWidget(other);
        auto *combo = new QComboBox;
        combo->addItems({"one", "two"});
        layout->addWidget(combo);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        other->setFocus();
        QVERIFY(!combo->hasFocus());

        Flat flat;
        flat.Attach(combo);
        QVERIFY(flat.isCombo());
        const QRgb face = Colors::fromBgr(0x8000000F, combo->palette()).rgb();
        const QRgb shadow = Colors::fromBgr(0x80000010, combo->palette()).rgb();
        QCOMPARE(leftEdge(combo), face);

        mouseMove(combo);
        QCOMPARE(flat.state(), Flat::Hot);
        QVERIFY(flat.mouseOver());
        QCOMPARE(leftEdge(combo), shadow);
        send(combo, QEvent::Leave);
        QCOMPARE(flat.state(), Flat::Normal);
        QCOMPARE(leftEdge(combo), face);

        // Focus shows the hot look and ends hover tracking; the pointer then changes nothing.
        sendFocus(combo, QEvent::FocusIn);
        QCOMPARE(flat.state(), Flat::Hot);
        QVERIFY(!flat.mouseOver());
        sendFocus(combo, QEvent::FocusOut);
        QCOMPARE(flat.state(), Flat::Normal);

        // The list closing up redraws the combo.
        mouseMove(combo);
        send(combo->view()->window(), QEvent::Hide);
        QVERIFY(!flat.mouseOver());
        QVERIFY(!flat.DroppedDown());

        // A disabled combo keeps the plain rim and no button relief.
        combo->setEnabled(false);
        const QImage image = combo->grab().toImage();
        QCOMPARE(image.pixel(1, combo->height() / 2),
                 Colors::fromBgr(0x80000014, combo->palette()).rgb());
    }

    void flatPlainControlAndLifetime()
    {
        QWidget window;
        auto *edit = new QLineEdit(&window);
        edit->resize(120, 24);
        window.show();
        const QMargins before = edit->contentsMargins();
        Flat flat;
        flat.Attach(edit);
        QVERIFY(!flat.isCombo());
        QCOMPARE(edit->contentsMargins(), before + QMargins(2, 2, 2, 2));
        // Attaching again moves the content inward again.
        flat.Attach(edit);
        QCOMPARE(edit->contentsMargins(), before + QMargins(4, 4, 4, 4));
        QVERIFY(MSubClass::IsWatched(edit));

        // Hot, a plain control gets three highlight frames inside its rim; at rest none.
        auto *button = new QPushButton(QStringLiteral("Go"), &window);
        button->setGeometry(0, 40, 80, 30);
        Flat buttonFlat;
        buttonFlat.Attach(button);
        const QRgb light = Colors::fromBgr(0x80000014, button->palette()).rgb();
        const auto frames = [button] {
            const QImage image = button->grab().toImage();
            QList<QRgb> column;
            for (int x = 2; x <= 4; ++x)
                column.append(image.pixel(x, button->height() / 2));
            return column;
        };
        button->show();
        mouseMove(button);
        QCOMPARE(buttonFlat.state(), Flat::Hot);
        const QList<QRgb> hot = frames();
        QCOMPARE(hot, (QList<QRgb>{light, light, light}));
        send(button, QEvent::Leave);
        QCOMPARE(buttonFlat.state(), Flat::Normal);
        QVERIFY(frames() != hot);

        // A right-aligned text box is painted like a combo.
        auto *right = new QLineEdit(&window);
        right->setAlignment(Qt::AlignRight);
        Flat rightFlat;
        rightFlat.Attach(right);
        QVERIFY(rightFlat.isCombo());

        // No control: the numbered error, nothing attached.
        Flat none;
        try {
            none.Attach(nullptr);
            QFAIL("no error");
        } catch (const AppException &error) {
            QCOMPARE(error.number(), AppErrorBase | 1049);
            QVERIFY(error.error().source.endsWith(QStringLiteral(".cFlatControl")));
        }

        // The control may go first; the object then ends quietly.
        delete edit;
        QVERIFY(!flat.attachedWindow());
    }

    void comboDropWidth()
    {
        QComboBox combo;
        QVERIFY(!AdjustComboDropWidth(&combo));
        combo.resize(300, 24);
        combo.addItems({"a", "b"});
        // Narrow items keep the current width.
        const int before = ::comboDropWidth(&combo);
        QVERIFY(AdjustComboDropWidth(&combo));
        QCOMPARE(::comboDropWidth(&combo), before);

        combo.addItem(QString(60, QLatin1Char('W')));
        QVERIFY(AdjustComboDropWidth(&combo));
        const int wide = QFontMetrics(combo.font()).horizontalAdvance(combo.itemText(2)) + 30;
        QCOMPARE(combo.view()->minimumWidth(), wide);

        // An item wider than the screen gets the screen less 20 pixels.
        combo.addItem(QString(2000, QLatin1Char('W')));
        QVERIFY(AdjustComboDropWidth(&combo));
        QCOMPARE(combo.view()->minimumWidth(), combo.screen()->geometry().width() - 20);
    }

    void listTips()
    {
        QCOMPARE(listTipOrdinal(2, 3), QStringLiteral("3rd"));
        QCOMPARE(listTipOrdinal(3, 4), QStringLiteral("last"));
        QCOMPARE(listTipOrdinal(0, 1), QStringLiteral("1st"));
        QCOMPARE(listTipOrdinal(10, 40), QStringLiteral("11th"));
        QCOMPARE(listTipOrdinal(20, 40), QStringLiteral("21st"));
        QCOMPARE(listTipOrdinal(21, 40), QStringLiteral("22nd"));

        QListWidget list;
        list.addItems({"alpha", "beta", "gamma", "delta"});
        list.resize(200, 300);
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));
        const QPoint third = list.visualItemRect(list.item(2)).center();
        ListBoxTip(&list, Qt::NoButton, third);
        QCOMPARE(list.toolTip(), QStringLiteral("The 3rd record: gamma"));
        // A held button leaves the tip; the empty space below the items clears it.
        ListBoxTip(&list, Qt::LeftButton, list.visualItemRect(list.item(3)).center());
        QCOMPARE(list.toolTip(), QStringLiteral("The 3rd record: gamma"));
        ListBoxTip(&list, Qt::NoButton, list.visualItemRect(list.item(3)).center());
        QCOMPARE(list.toolTip(), QStringLiteral("The last record: delta"));
        ListBoxTip(&list, Qt::NoButton, QPoint(5, 290));
        QVERIFY(list.toolTip().isEmpty());
    }

    void tooltipsShowTheirLook()
    {
        QWidget window;
        auto *button = new QLineEdit(&window);
        auto *callback = new QLineEdit(&window);
        callback->move(0, 40);
        window.show();

        auto tips = std::make_unique<clsTooltip>();
        clsTooltip::Tool tool;
        tool.text = QStringLiteral("Type here");
        tool.balloon = true;
        tool.showMode = 16;
        tool.title = QStringLiteral("  How to use?  ");
        tool.icon = 1;
        tool.foreColor = 0x800000;
        tool.backColor = 0xFFC0FF;
        QVERIFY(tips->AddTool(button, tool));
        clsTooltip::Tool asks;
        asks.showMode = 16;
        asks.width = 200;
        QVERIFY(tips->AddTool(callback, asks));

        QSignalSpy shown(tips.get(), &clsTooltip::Show);
        QSignalSpy hidden(tips.get(), &clsTooltip::Hide);
        tips->SetDelayTimes(0);
        QHelpEvent help(QEvent::ToolTip, QPoint(2, 2), button->mapToGlobal(QPoint(2, 2)));
        QCoreApplication::sendEvent(button, &help);
        TooltipWindow *window_ = clsTooltip::tipWindow();
        QVERIFY(window_->isVisible());
        QCOMPARE(window_->text(), QStringLiteral("Type here"));
        QCOMPARE(window_->look().background, QColor(0xFF, 0xC0, 0xFF));
        QCOMPARE(window_->look().text, QColor(0x00, 0x00, 0x80));
        // A balloon never animates.
        QVERIFY(!tips->lastShowAnimated());
        QCOMPARE(shown.count(), 1);
        send(button, QEvent::Leave);
        QVERIFY(!window_->isVisible());
        QCOMPARE(hidden.count(), 1);

        // Without a text the tip asks each time it shows; a rectangular tip animates.
        int asked = 0;
        connect(tips.get(), &clsTooltip::NeedText, this, [&](QWidget *, QString &text) {
            ++asked;
            text = QString(80, QLatin1Char('x')).replace(10, 1, QLatin1Char(' '));
        });
        QVERIFY(tips->showTip(callback, QPoint(0, 0)));
        QVERIFY(tips->lastShowAnimated());
        tips->hideTip();
        QVERIFY(tips->showTip(callback, QPoint(0, 0)));
        QCOMPARE(asked, 2);
        // Width 200 wraps; width 0 stays on one line.
        QVERIFY(window_->textRect().width() <= 200);
        clsTooltip::ToolUpdate oneLine;
        oneLine.width = 0;
        tips->UpdateTool(callback, oneLine);
        QVERIFY(window_->textRect().width() > 200);

        // Delays: given values are kept, none restores the system's.
        tips->SetDelayTimes(10, 20, 30);
        QCOMPARE(tips->autoHideDelay(), 20);
        tips->SetDelayTimes();
        QCOMPARE(tips->showDelay(), 500);

        // Removing a tool ends its tips but keeps its record; adding it again makes a new one.
        const int count = tips->toolCount();
        tips->RemoveTool(button);
        QVERIFY(!tips->hasTool(button));
        QCOMPARE(tips->toolCount(), count);
        QVERIFY(!tips->showTip(button, QPoint(0, 0)));
        clsTooltip::Tool plain;
        plain.text = QStringLiteral("Again");
        QVERIFY(tips->AddTool(button, plain));
        QCOMPARE(tips->toolCount(), count + 1);
        QVERIFY(tips->showTip(button, QPoint(0, 0)));
        QCOMPARE(window_->text(), QStringLiteral("Again"));
        QVERIFY(!window_->look().balloon);
        // The last object takes the window with it.
        tips.reset();
        QVERIFY(!clsTooltip::tipWindow());
        clsTooltip again;
        QVERIFY(clsTooltip::tipWindow());
    }
};

QTEST_MAIN(TestLook)
#include "winsvc_look.moc"
