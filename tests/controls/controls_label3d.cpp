#include "controls_fixture.h"

#include <QFrame>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>

#include <memory>
#include <stdexcept>

namespace {

constexpr int Twips = 15;

QPoint twips(const QWidget *widget)
{
    return widget->pos() * Twips;
}

// Remembers where the labels were when each change notice arrived.
class NoticeRecorder : public QObject
{
    Q_OBJECT
public:
    explicit NoticeRecorder(QWidget *control) : m_control(control)
    {
        connect(control, SIGNAL(PropertyChanged(QString)), this, SLOT(record(QString)));
    }
    QStringList names;
    QList<QPoint> backPositions;

private slots:
    void record(const QString &name)
    {
        names.append(name);
        backPositions.append(twips(m_control->findChild<QLabel *>(QStringLiteral("Label1"))));
    }

private:
    QWidget *m_control;
};

} // namespace

class ControlsLabel3DTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void phasesPlaceBackAndFrontCopies_data();
    void phasesPlaceBackAndFrontCopies();
    void otherPhasesAreStoredButMoveNothing();
    void keepsItsMinimumSize();
    void propertiesReachTheirConstituents();
    void refusedValuesChangeNothing();
    void emptyBagGivesBagDefaults();
    void newControlSavesOnlyWhatDiffersFromTheBag();
    void bagRoundTripOmitsDefaults();
    void badBagValueEndsTheRead();
    void onlyTheFrontCopyRaisesEvents();

private:
    QWidget *create(const QVariantMap &bag);
    QWidget *createNew();
    QLabel *back(QWidget *control)
    {
        return control->findChild<QLabel *>(QStringLiteral("Label1"));
    }
    QLabel *front(QWidget *control)
    {
        return control->findChild<QLabel *>(QStringLiteral("Label2"));
    }

    std::unique_ptr<ControlsFixture> m_fixture;
    std::unique_ptr<QWidget> m_form;
};

void ControlsLabel3DTest::init()
{
    m_fixture = std::make_unique<ControlsFixture>();
    m_form = std::make_unique<QWidget>();
    QFont ambient(QStringLiteral("DejaVu Sans"));
    ambient.setPointSize(11);
    m_form->setFont(ambient);
    m_form->resize(400, 300);
    m_form->show();
}

void ControlsLabel3DTest::cleanup()
{
    m_form.reset();
    QVERIFY(m_fixture->host().canUnloadNow(QStringLiteral("BrennD")));
    m_fixture.reset();
}

QWidget *ControlsLabel3DTest::create(const QVariantMap &bag)
{
    QWidget *control =
        m_fixture->host().create(QStringLiteral("BrennD.Label3D"), bag, m_form.get());
    if (control) {
        control->setGeometry(10, 10, 120, 20);
        control->show();
    }
    return control;
}

QWidget *ControlsLabel3DTest::createNew()
{
    QWidget *control = m_fixture->host().createNew(QStringLiteral("BrennD.Label3D"), m_form.get());
    if (control) {
        control->setGeometry(10, 10, 120, 20);
        control->show();
    }
    return control;
}

void ControlsLabel3DTest::phasesPlaceBackAndFrontCopies_data()
{
    QTest::addColumn<int>("phase");
    QTest::addColumn<QPoint>("backCopy");
    QTest::addColumn<QPoint>("frontCopy");
    QTest::newRow("TOPLEFT") << 3 << QPoint(0, 0) << QPoint(15, 15);
    QTest::newRow("TOPRIGHT") << 2 << QPoint(15, 0) << QPoint(0, 15);
    QTest::newRow("BOTTOMLEFT") << 1 << QPoint(0, 15) << QPoint(15, 0);
    QTest::newRow("BOTTOMRIGHT") << 0 << QPoint(15, 15) << QPoint(0, 0);
}

void ControlsLabel3DTest::phasesPlaceBackAndFrontCopies()
{
    QFETCH(int, phase);
    QFETCH(QPoint, backCopy);
    QFETCH(QPoint, frontCopy);

    // Set through the property, after a different phase, with the notice after the move.
    QWidget *control = create({{QStringLiteral("Phase"), phase == 3 ? 0 : 3}});
    QVERIFY(control);
    NoticeRecorder recorder(control);
    QVERIFY(control->setProperty("Phase", phase));
    QCOMPARE(twips(back(control)), backCopy);
    QCOMPARE(twips(front(control)), frontCopy);
    QCOMPARE(recorder.names, QStringList{QStringLiteral("Phase")});
    QCOMPARE(recorder.backPositions.value(0), backCopy);

    // Read from a bag.
    QWidget *loaded = create({{QStringLiteral("Phase"), phase}});
    QCOMPARE(twips(back(loaded)), backCopy);
    QCOMPARE(twips(front(loaded)), frontCopy);
    QCOMPARE(loaded->property("Phase").toInt(), phase);
    // Both copies are as large as the control.
    QCOMPARE(back(loaded)->size(), loaded->size());
    QCOMPARE(front(loaded)->size(), loaded->size());
}

void ControlsLabel3DTest::otherPhasesAreStoredButMoveNothing()
{
    QWidget *control = create({{QStringLiteral("Phase"), 3}});
    QVERIFY(control->setProperty("Phase", 7));
    QCOMPARE(control->property("Phase").toInt(), 7);
    QCOMPARE(twips(back(control)), QPoint(0, 0));
    QCOMPARE(twips(front(control)), QPoint(15, 15));
    QCOMPARE(m_fixture->host().save(control).value(QStringLiteral("Phase")).toUInt(), 7u);

    // Beyond an unsigned byte: the overflow error, before anything is stored.
    NoticeRecorder recorder(control);
    for (const int phase : {256, -1}) {
        try {
            control->setProperty("Phase", phase);
            QFAIL("no error");
        } catch (const std::overflow_error &error) {
            QCOMPARE(QByteArray(error.what()), QByteArray("Overflow"));
        }
    }
    QCOMPARE(control->property("Phase").toInt(), 7);
    QVERIFY(recorder.names.isEmpty());
}

void ControlsLabel3DTest::keepsItsMinimumSize()
{
    QWidget *control = create({});
    control->resize(40 / Twips, 60 / Twips);
    // 100 twips rounded up to whole pixels.
    QCOMPARE(control->size(), QSize(7, 7));
    QCOMPARE(front(control)->size(), QSize(7, 7));
    control->resize(7, 30);
    QCOMPARE(control->size(), QSize(7, 30));
    control->resize(200, 3);
    QCOMPARE(control->size(), QSize(200, 7));
}

void ControlsLabel3DTest::propertiesReachTheirConstituents()
{
    QWidget *control = createNew();
    NoticeRecorder recorder(control);

    QVERIFY(control->setProperty("Caption", QStringLiteral("<b>a.jpg</b>")));
    QCOMPARE(back(control)->text(), QStringLiteral("<b>a.jpg</b>"));
    QCOMPARE(front(control)->text(), QStringLiteral("<b>a.jpg</b>"));
    QCOMPARE(front(control)->textFormat(), Qt::PlainText);
    QCOMPARE(back(control)->textFormat(), Qt::PlainText);

    QFont font(QStringLiteral("DejaVu Serif"));
    font.setPointSize(14);
    QVERIFY(control->setProperty("Font", font));
    QCOMPARE(back(control)->font(), font);
    QCOMPARE(front(control)->font(), font);

    QVERIFY(control->setProperty("Alignment", 2));
    QVERIFY(back(control)->alignment() & Qt::AlignHCenter);
    QVERIFY(front(control)->alignment() & Qt::AlignHCenter);

    const QColor frontBefore = front(control)->palette().color(QPalette::WindowText);
    QVERIFY(control->setProperty("ForeColor1", 0x0000FFu)); // red in BGR
    QCOMPARE(back(control)->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    QCOMPARE(front(control)->palette().color(QPalette::WindowText), frontBefore);
    QVERIFY(control->setProperty("ForeColor2", 0xFF0000u)); // blue in BGR
    QCOMPARE(front(control)->palette().color(QPalette::WindowText), QColor(0, 0, 255));
    QCOMPARE(back(control)->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    QCOMPARE(control->property("ForeColor2").toUInt(), 0xFF0000u);
    // System colours given as signed numbers, as forms store them.
    QVERIFY(control->setProperty("ForeColor2", int(0x80000012u)));
    QCOMPARE(control->property("ForeColor2").toUInt(), 0x80000012u);
    QVERIFY(control->setProperty("ForeColor2", 0xFF0000u));

    QVERIFY(control->setProperty("BorderStyle", 1));
    QCOMPARE(front(control)->frameShape(), QFrame::Box);
    QCOMPARE(back(control)->frameShape(), QFrame::NoFrame);

    QVERIFY(control->setProperty("BackColor", 0x00FF00u));
    QCOMPARE(control->palette().color(QPalette::Window), QColor(0, 255, 0));
    QVERIFY(control->setProperty("BackStyle", 0));
    QVERIFY(!control->autoFillBackground());
    QVERIFY(control->setProperty("BackStyle", 1));
    QVERIFY(control->autoFillBackground());

    QVERIFY(control->setProperty("Enabled", false));
    QVERIFY(!back(control)->isEnabled());
    QVERIFY(!front(control)->isEnabled());
    QVERIFY(control->isEnabled());

    QCOMPARE(recorder.names, (QStringList{"Caption", "Font", "Alignment", "ForeColor1",
                                          "ForeColor2", "ForeColor2", "ForeColor2", "BorderStyle",
                                          "BackColor", "BackStyle", "BackStyle", "Enabled"}));
    QVERIFY(QMetaObject::invokeMethod(control, "Refresh"));
}

void ControlsLabel3DTest::refusedValuesChangeNothing()
{
    QWidget *control = create({{QStringLiteral("Alignment"), 1}});
    NoticeRecorder recorder(control);
    control->setProperty("Alignment", 3);
    control->setProperty("BorderStyle", 2);
    control->setProperty("BackStyle", 5);
    QCOMPARE(control->property("Alignment").toInt(), 1);
    QVERIFY(back(control)->alignment() & Qt::AlignRight);
    QVERIFY(front(control)->alignment() & Qt::AlignRight);
    QCOMPARE(control->property("BorderStyle").toInt(), 0);
    QCOMPARE(control->property("BackStyle").toInt(), 0);
    QVERIFY(recorder.names.isEmpty());
}

void ControlsLabel3DTest::emptyBagGivesBagDefaults()
{
    QWidget *control = create({});
    QCOMPARE(m_fixture->host().lastError(), QString());
    QCOMPARE(control->property("BackStyle").toInt(), 0);
    QCOMPARE(control->property("Enabled").toBool(), true);
    QCOMPARE(control->property("ForeColor1").toUInt(), 0x000000u);
    QCOMPARE(control->property("ForeColor2").toUInt(), 0xFFFFFFu);
    QCOMPARE(control->property("Caption").toString(), QStringLiteral("Label3D"));
    QCOMPARE(control->property("Alignment").toInt(), 0);
    QCOMPARE(control->property("Font").value<QFont>(), m_form->font());
    QCOMPARE(control->property("BorderStyle").toInt(), 0);
    QCOMPARE(control->property("Phase").toInt(), 0);
    QCOMPARE(control->property("BackColor").toUInt(), 0x8000000Fu);
    QCOMPARE(m_fixture->host().save(control), QVariantMap());
}

void ControlsLabel3DTest::newControlSavesOnlyWhatDiffersFromTheBag()
{
    QWidget *control = createNew();
    QCOMPARE(control->property("ForeColor1").toUInt(), 0x8000000Eu);
    QCOMPARE(control->property("ForeColor2").toUInt(), 0x80000012u);
    QCOMPARE(control->property("BackStyle").toInt(), 1);
    QCOMPARE(control->property("Font").value<QFont>(), m_form->font());
    QCOMPARE(twips(back(control)), QPoint(15, 15));

    const QVariantMap saved = m_fixture->host().save(control);
    QCOMPARE(saved.keys(), (QStringList{"BackStyle", "ForeColor1", "ForeColor2"}));
    QCOMPARE(saved.value(QStringLiteral("ForeColor1")).toUInt(), 0x8000000Eu);
    QCOMPARE(saved.value(QStringLiteral("ForeColor2")).toUInt(), 0x80000012u);
    QCOMPARE(saved.value(QStringLiteral("BackStyle")).toInt(), 1);
}

void ControlsLabel3DTest::bagRoundTripOmitsDefaults()
{
    QWidget *control = createNew();
    QFont font(QStringLiteral("DejaVu Serif"));
    font.setPointSizeF(9.75);
    font.setBold(true);
    control->setProperty("Font", font);
    control->setProperty("Caption", QStringLiteral("FTP Connect"));
    control->setProperty("Alignment", 2);
    control->setProperty("Phase", 3);
    control->setProperty("BorderStyle", 1);
    control->setProperty("BackColor", 0xFFC0C0u);
    control->setProperty("Enabled", false);
    const QVariantMap saved = m_fixture->host().save(control);
    QCOMPARE(saved.size(), 10);

    QWidget *loaded = create(saved);
    QCOMPARE(m_fixture->host().lastError(), QString());
    for (const char *name : {"Font", "Caption", "Alignment", "Phase", "BorderStyle", "BackColor",
                             "Enabled", "ForeColor1", "ForeColor2", "BackStyle"})
        QCOMPARE(loaded->property(name), control->property(name));
    QCOMPARE(twips(front(loaded)), QPoint(15, 15));
    QCOMPARE(m_fixture->host().save(loaded), saved);

    // Back to the defaults: those keys drop out again.
    loaded->setProperty("Caption", QStringLiteral("Label3D"));
    loaded->setProperty("Phase", 0);
    loaded->setProperty("Font", m_form->font());
    const QVariantMap again = m_fixture->host().save(loaded);
    QVERIFY(!again.contains(QStringLiteral("Caption")));
    QVERIFY(!again.contains(QStringLiteral("Phase")));
    QVERIFY(!again.contains(QStringLiteral("Font")));
    QCOMPARE(again.size(), 7);
}

void ControlsLabel3DTest::badBagValueEndsTheRead()
{
    QWidget *control = create({{QStringLiteral("Enabled"), false},
                               {QStringLiteral("ForeColor2"), QStringLiteral("pink")},
                               {QStringLiteral("Caption"), QStringLiteral("Busy")}});
    QVERIFY(control);
    QVERIFY(m_fixture->host().lastError().contains(QLatin1String("\"ForeColor2\"")));
    // The keys before the bad one are taken; from it on nothing is read.
    QVERIFY(!front(control)->isEnabled());
    QCOMPARE(control->property("ForeColor2").toUInt(), 0x80000012u);
    QCOMPARE(control->property("Caption").toString(), QStringLiteral("Label3D"));
}

void ControlsLabel3DTest::onlyTheFrontCopyRaisesEvents()
{
    QWidget *control = create({{QStringLiteral("Phase"), 3}});
    QSignalSpy clicks(control, SIGNAL(Click()));
    QSignalSpy downs(control, SIGNAL(MouseDown(int, int, float, float)));

    // The strip along the top and left edge is covered by the back copy only.
    QWidget *atCorner = control->childAt(0, 0);
    QCOMPARE(atCorner, back(control));
    QTest::mouseClick(atCorner, Qt::LeftButton, {}, QPoint(0, 0));
    QCOMPARE(clicks.count(), 0);
    QCOMPARE(downs.count(), 0);

    QWidget *inside = control->childAt(5, 5);
    QCOMPARE(inside, front(control));
    QTest::mouseClick(inside, Qt::LeftButton, Qt::ShiftModifier, QPoint(4, 2));
    QCOMPARE(clicks.count(), 1);
    QCOMPARE(downs.count(), 1);
    const QList<QVariant> down = downs.takeFirst();
    QCOMPARE(down.value(0).toInt(), 1);
    QCOMPARE(down.value(1).toInt(), 1);
    QCOMPARE(down.value(2).toFloat(), 60.0f);
    QCOMPARE(down.value(3).toFloat(), 30.0f);

    QSignalSpy doubles(control, SIGNAL(DblClick()));
    QTest::mouseDClick(inside, Qt::LeftButton, {}, QPoint(4, 2));
    QCOMPARE(doubles.count(), 1);

    // With BOTTOMRIGHT the front copy covers the whole control.
    control->setProperty("Phase", 0);
    QCOMPARE(control->childAt(0, 0), front(control));
}

QTEST_MAIN(ControlsLabel3DTest)
#include "controls_label3d.moc"
