#include "controls_fixture.h"

#include <QBuffer>
#include <QImage>
#include <QPixmap>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>

#include <memory>

namespace {

// 3495 x 7305 twips.
const QSize WorkedSize(233, 487);
const QColor Grey(0x80, 0x80, 0x80);
const QColor White(0xFF, 0xFF, 0xFF);
const QColor Green(0, 0xFF, 0);

struct Scale
{
    float left, width, top, height;
    bool operator==(const Scale &) const = default;
};

Scale scaleOf(const QWidget *panel)
{
    return {panel->property("ScaleLeft").toFloat(), panel->property("ScaleWidth").toFloat(),
            panel->property("ScaleTop").toFloat(), panel->property("ScaleHeight").toFloat()};
}

char *toString(const Scale &scale)
{
    return qstrdup(QStringLiteral("%1/%2/%3/%4")
                       .arg(scale.left)
                       .arg(scale.width)
                       .arg(scale.top)
                       .arg(scale.height)
                       .toLatin1()
                       .constData());
}

// Reads ScaleWidth at the moment the panel raises Resize.
class ResizeWatcher : public QObject
{
    Q_OBJECT
public:
    explicit ResizeWatcher(QWidget *panel) : m_panel(panel)
    {
        connect(panel, SIGNAL(Resize()), this, SLOT(record()));
    }
    QList<float> widths;

private slots:
    void record() { widths.append(m_panel->property("ScaleWidth").toFloat()); }

private:
    QWidget *m_panel;
};

} // namespace

class ControlsPanelTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void borderNarrowsTheScale_data();
    void borderNarrowsTheScale();
    void borderColours_data();
    void borderColours();
    void storedScaleNeverSurvivesTheRead();
    void resizeIsRaisedAfterTheBorder();
    void refusedValuesChangeNothing();
    void bagRoundTripOmitsDefaults();

private:
    QWidget *create(const QVariantMap &bag);

    std::unique_ptr<ControlsFixture> m_fixture;
    std::unique_ptr<QWidget> m_form;
};

void ControlsPanelTest::init()
{
    m_fixture = std::make_unique<ControlsFixture>();
    m_form = std::make_unique<QWidget>();
    m_form->resize(600, 600);
    m_form->show();
}

void ControlsPanelTest::cleanup()
{
    m_form.reset();
    QVERIFY(m_fixture->host().canUnloadNow(QStringLiteral("BrennPanel")));
    m_fixture.reset();
}

QWidget *ControlsPanelTest::create(const QVariantMap &bag)
{
    QWidget *panel =
        m_fixture->host().create(QStringLiteral("BrennPanel.Panel"), bag, m_form.get());
    if (panel) {
        panel->show();
        panel->setGeometry(QRect(QPoint(0, 0), WorkedSize));
    }
    return panel;
}

void ControlsPanelTest::borderNarrowsTheScale_data()
{
    QTest::addColumn<int>("style");
    QTest::addColumn<Scale>("scale");
    QTest::newRow("None") << 0 << Scale{0, 3495, 0, 7305};
    QTest::newRow("Flat") << 1 << Scale{8, 3483, 8, 7293};
    QTest::newRow("Frame") << 2 << Scale{23, 3468, 23, 7278};
    QTest::newRow("Inset") << 3 << Scale{8, 3483, 8, 7293};
    QTest::newRow("Raised") << 4 << Scale{8, 3483, 8, 7293};
}

void ControlsPanelTest::borderNarrowsTheScale()
{
    QFETCH(int, style);
    QFETCH(Scale, scale);
    QWidget *loaded = create({{QStringLiteral("BorderStyle"), style}});
    QCOMPARE(scaleOf(loaded), scale);

    QWidget *set = create({});
    QVERIFY(set->setProperty("BorderStyle", style));
    QCOMPARE(set->property("BorderStyle").toInt(), style);
    QCOMPARE(scaleOf(set), scale);
}

void ControlsPanelTest::borderColours_data()
{
    // Pixel colours on the top, right, bottom and left edge, outer pass then inner pass.
    QTest::addColumn<int>("style");
    QTest::addColumn<QList<QColor>>("outer");
    QTest::addColumn<QList<QColor>>("inner");
    const QList<QColor> plain{Green, Green, Green, Green};
    QTest::newRow("None") << 0 << plain << plain;
    QTest::newRow("Flat") << 1 << QList<QColor>{Grey, Grey, Grey, Grey} << plain;
    QTest::newRow("Frame") << 2 << QList<QColor>{Grey, White, White, Grey}
                           << QList<QColor>{White, Grey, Grey, White};
    QTest::newRow("Inset") << 3 << QList<QColor>{Grey, White, White, Grey} << plain;
    QTest::newRow("Raised") << 4 << QList<QColor>{White, Grey, Grey, White} << plain;
}

void ControlsPanelTest::borderColours()
{
    QFETCH(int, style);
    QFETCH(QList<QColor>, outer);
    QFETCH(QList<QColor>, inner);
    QWidget *panel = create({{QStringLiteral("BackColor"), 0x00FF00u}});
    // Set on the visible panel: redrawn at once.
    panel->setProperty("BorderStyle", style);
    const QImage image = panel->grab().toImage();
    QCOMPARE(image.size(), WorkedSize);
    const int w = WorkedSize.width();
    const int h = WorkedSize.height();
    auto edges = [&](int inset) {
        return QList<QColor>{image.pixelColor(w / 2, inset), image.pixelColor(w - 1 - inset, h / 2),
                             image.pixelColor(w / 2, h - 1 - inset),
                             image.pixelColor(inset, h / 2)};
    };
    QCOMPARE(edges(0), outer);
    QCOMPARE(edges(1), inner);
    QCOMPARE(image.pixelColor(w / 2, h / 2), Green);
}

void ControlsPanelTest::storedScaleNeverSurvivesTheRead()
{
    const QVariantMap bag{{QStringLiteral("ScaleWidth"), 8025.0f},
                          {QStringLiteral("ScaleHeight"), 6300.0f},
                          {QStringLiteral("ScaleLeft"), 100.0f},
                          {QStringLiteral("BorderStyle"), 1}};
    QWidget *panel =
        m_fixture->host().create(QStringLiteral("BrennPanel.Panel"), bag, m_form.get());
    QVERIFY(panel);
    panel->resize(WorkedSize);
    panel->show();
    QCOMPARE(scaleOf(panel), (Scale{8, 3483, 8, 7293}));
}

void ControlsPanelTest::resizeIsRaisedAfterTheBorder()
{
    QWidget *panel = create({{QStringLiteral("BorderStyle"), 2}});
    ResizeWatcher watcher(panel);
    panel->resize(100, 50); // 1500 twips wide
    QCOMPARE(watcher.widths, QList<float>{1500 - 8 - 15 - 4});
    panel->setProperty("BorderStyle", 0);
    QCOMPARE(watcher.widths.size(), 1);
    QCOMPARE(panel->property("ScaleWidth").toFloat(), 1500.0f);
}

void ControlsPanelTest::refusedValuesChangeNothing()
{
    QWidget *panel = create({{QStringLiteral("BorderStyle"), 4}});
    QSignalSpy notices(panel, SIGNAL(PropertyChanged(QString)));
    panel->setProperty("BorderStyle", 5);
    panel->setProperty("BorderStyle", -1);
    panel->setProperty("MousePointer", 16);
    QCOMPARE(panel->property("BorderStyle").toInt(), 4);
    QCOMPARE(panel->property("MousePointer").toInt(), 0);
    QCOMPARE(notices.count(), 0);

    // From a bag an unknown style draws no border.
    QWidget *loaded = create({{QStringLiteral("BorderStyle"), 9}});
    QVERIFY(m_fixture->host().lastError().contains(QLatin1String("\"BorderStyle\"")));
    QCOMPARE(loaded->property("BorderStyle").toInt(), 0);
    QCOMPARE(scaleOf(loaded), (Scale{0, 3495, 0, 7305}));

    QVERIFY(panel->setProperty("MousePointer", 11));
    QCOMPARE(panel->cursor().shape(), Qt::WaitCursor);
    QCOMPARE(notices.count(), 1);
    QCOMPARE(notices.takeFirst().value(0).toString(), QStringLiteral("MousePointer"));
}

void ControlsPanelTest::bagRoundTripOmitsDefaults()
{
    QWidget *fresh = m_fixture->host().createNew(QStringLiteral("BrennPanel.Panel"), m_form.get());
    QVERIFY(fresh);
    fresh->show();
    fresh->setGeometry(QRect(QPoint(0, 0), WorkedSize));
    // Only the scale, which follows the size, differs from the defaults.
    QCOMPARE(m_fixture->host().save(fresh).keys(), (QStringList{"ScaleHeight", "ScaleWidth"}));

    QPixmap icon(16, 16);
    icon.fill(Qt::red);
    fresh->setProperty("BackColor", 0x80000005u);
    fresh->setProperty("BorderStyle", 2);
    fresh->setProperty("MousePointer", 99);
    QSignalSpy notices(fresh, SIGNAL(PropertyChanged(QString)));
    fresh->setProperty("MouseIcon", icon);
    QCOMPARE(notices.count(), 1);
    QCOMPARE(fresh->cursor().shape(), Qt::BitmapCursor);

    const QVariantMap saved = m_fixture->host().save(fresh);
    QCOMPARE(saved.keys(), (QStringList{"BackColor", "BorderStyle", "MouseIcon", "MousePointer",
                                        "ScaleHeight", "ScaleLeft", "ScaleTop", "ScaleWidth"}));
    QCOMPARE(saved.value(QStringLiteral("BackColor")).toUInt(), 0x80000005u);
    QCOMPARE(saved.value(QStringLiteral("ScaleLeft")).toFloat(), 23.0f);

    QWidget *loaded = create(saved);
    QCOMPARE(m_fixture->host().lastError(), QString());
    for (const char *name : {"BackColor", "BorderStyle", "MousePointer", "ScaleLeft", "ScaleWidth",
                             "ScaleTop", "ScaleHeight"})
        QCOMPARE(loaded->property(name), fresh->property(name));
    QCOMPARE(loaded->property("MouseIcon").value<QPixmap>().toImage().pixelColor(3, 3),
             QColor(Qt::red));
    QCOMPARE(m_fixture->host().save(loaded), saved);
}

QTEST_MAIN(ControlsPanelTest)
#include "controls_panel.moc"
