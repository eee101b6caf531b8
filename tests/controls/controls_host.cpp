#include "controls_fixture.h"

#include "platform/controls/controlabi.h"
#include "platform/controls/controlids.h"
#include "platform/controls/controlregistry.h"

#include <QFile>
#include <QLibrary>
#include <QSettings>
#include <QTest>
#include <QWidget>

#include <memory>

class ControlsHostTest : public QObject
{
    Q_OBJECT

private slots:
    void registersLibrariesBesideTheProgram();
    void reportsUnregisteredAndMissingLibraries();
    void createsByProgIdAndRefusesUnknownOnes();
    void unregisteredLibraryNamesItself();
    void refusesRegistrationWithOtherIdentifiers();
    void canUnloadOnlyWithoutInstancesOrLocks();
    void classObjectChecksItsIdentifiers();
};

void ControlsHostTest::registersLibrariesBesideTheProgram()
{
    ControlsFixture fixture(false);
    QVERIFY(fixture.host().checkControls().contains(QLatin1String("BrennD.Label3D")));
    QCOMPARE(fixture.host().registerControls(), QString());
    QCOMPARE(fixture.host().checkControls(), QString());

    const ControlRegistry registry(fixture.registryFile());
    const auto label = registry.lookup(QStringLiteral("BrennD.Label3D"));
    QVERIFY(label.has_value());
    QCOMPARE(label->classId, QLatin1String(ControlIds::Label3D::ClassId));
    QCOMPARE(label->version, QStringLiteral("1.00"));
    QCOMPARE(label->libraryPath, fixture.host().libraryFile(QStringLiteral("BrennD")));
    const auto panel = registry.lookup(QStringLiteral("BrennPanel.Panel"));
    QVERIFY(panel.has_value());
    QCOMPARE(panel->version, QStringLiteral("1.00.0001"));
    QCOMPARE(panel->typeLibVersion, QStringLiteral("2.0"));

    // A second start finds everything registered and changes nothing.
    const QByteArray before = [&] {
        QFile file(fixture.registryFile());
        file.open(QIODevice::ReadOnly);
        return file.readAll();
    }();
    QCOMPARE(fixture.host().registerControls(), QString());
    QFile file(fixture.registryFile());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), before);
}

void ControlsHostTest::reportsUnregisteredAndMissingLibraries()
{
    ControlsFixture fixture(false);
    const QString check = fixture.host().checkControls();
    QVERIFY(check.contains(QLatin1String("\"BrennD\"")));
    QVERIFY(check.contains(QLatin1String("\"BrennPanel\"")));

    // Nothing beside the program: registration names both missing files.
    fixture.host().setLibraryFolder(fixture.tempPath());
    const QString error = fixture.host().registerControls();
    QVERIFY2(error.contains(QLatin1String("libBrennD.so")), qPrintable(error));
    QVERIFY2(error.contains(QLatin1String("libBrennPanel.so")), qPrintable(error));
    QVERIFY(error.contains(QLatin1String("missing")));
    QCOMPARE(fixture.host().lastError(), error);
}

void ControlsHostTest::createsByProgIdAndRefusesUnknownOnes()
{
    ControlsFixture fixture;
    QWidget form;
    std::unique_ptr<QWidget> label(
        fixture.host().create(QStringLiteral("BrennD.Label3D"), {}, &form));
    QVERIFY2(label, qPrintable(fixture.host().lastError()));
    QCOMPARE(label->parentWidget(), &form);
    QCOMPARE(label->property("Caption").toString(), QStringLiteral("Label3D"));
    QVERIFY(label->setProperty("Caption", QStringLiteral("Welcome : ")));
    QCOMPARE(label->property("Caption").toString(), QStringLiteral("Welcome : "));

    std::unique_ptr<QWidget> panel(
        fixture.host().create(QStringLiteral("BrennPanel.Panel"), {}, &form));
    QVERIFY2(panel, qPrintable(fixture.host().lastError()));
    QCOMPARE(panel->property("hWnd").value<QWidget *>(), panel.get());
    QCOMPARE(panel->property("hDC").value<QPaintDevice *>(),
             static_cast<QPaintDevice *>(panel.get()));

    QCOMPARE(fixture.host().create(QStringLiteral("BrennD.Nothing"), {}, &form), nullptr);
    QVERIFY(
        fixture.host().lastError().contains(QLatin1String("\"BrennD.Nothing\" is not registered")));
    QCOMPARE(fixture.host().save(&form), QVariantMap());
}

void ControlsHostTest::unregisteredLibraryNamesItself()
{
    ControlsFixture fixture;
    QCOMPARE(fixture.host().unregisterLibrary(QStringLiteral("BrennD")), QString());
    QCOMPARE(fixture.host().create(QStringLiteral("BrennD.Label3D"), {}), nullptr);
    QVERIFY(fixture.host().lastError().contains(QLatin1String("\"BrennD\"")));
    const QString check = fixture.host().checkControls();
    QVERIFY(check.contains(QLatin1String("BrennD")));
    QVERIFY(!check.contains(QLatin1String("BrennPanel")));

    // The next start registers it again.
    QCOMPARE(fixture.host().registerControls(), QString());
    std::unique_ptr<QWidget> label(fixture.host().create(QStringLiteral("BrennD.Label3D"), {}));
    QVERIFY(label);
}

void ControlsHostTest::refusesRegistrationWithOtherIdentifiers()
{
    ControlsFixture fixture;
    {
        QSettings store(fixture.registryFile(), QSettings::IniFormat);
        store.setValue(QStringLiteral("ProgID/BrennPanel.Panel"),
                       QStringLiteral("{00000000-1111-2222-3333-444444444444}"));
    }
    QCOMPARE(fixture.host().create(QStringLiteral("BrennPanel.Panel"), {}), nullptr);
    QVERIFY(fixture.host().lastError().contains(QLatin1String("\"BrennPanel.Panel\"")));
    QVERIFY(!fixture.host().checkControls().isEmpty());
    // The label library is unaffected.
    std::unique_ptr<QWidget> label(fixture.host().create(QStringLiteral("BrennD.Label3D"), {}));
    QVERIFY(label);
}

void ControlsHostTest::canUnloadOnlyWithoutInstancesOrLocks()
{
    ControlsFixture fixture;
    const QString library = QStringLiteral("BrennPanel");
    QWidget form;
    QWidget *first = fixture.host().createNew(QStringLiteral("BrennPanel.Panel"), &form);
    QWidget *second = fixture.host().create(QStringLiteral("BrennPanel.Panel"), {}, &form);
    QVERIFY(first && second);
    QVERIFY(!fixture.host().canUnloadNow(library));
    delete first;
    QVERIFY(!fixture.host().canUnloadNow(library));
    delete second;
    QVERIFY(fixture.host().canUnloadNow(library));

    QVERIFY(fixture.host().lockServer(QStringLiteral("BrennPanel.Panel"), true));
    QVERIFY(!fixture.host().canUnloadNow(library));
    QVERIFY(fixture.host().lockServer(QStringLiteral("BrennPanel.Panel"), false));
    QVERIFY(fixture.host().canUnloadNow(library));

    // Freed by the form that owns it.
    {
        QWidget owner;
        QVERIFY(fixture.host().create(QStringLiteral("BrennPanel.Panel"), {}, &owner));
        QVERIFY(!fixture.host().canUnloadNow(library));
    }
    QVERIFY(fixture.host().canUnloadNow(library));
}

void ControlsHostTest::classObjectChecksItsIdentifiers()
{
    ControlsFixture fixture;
    QLibrary library(fixture.host().libraryFile(QStringLiteral("BrennD")));
    QVERIFY2(library.load(), qPrintable(library.errorString()));
    auto getClassObject =
        reinterpret_cast<ControlAbi::GetClassObjectFn>(library.resolve("DllGetClassObject"));
    QVERIFY(getClassObject);

    void *object = reinterpret_cast<void *>(1);
    QCOMPARE(getClassObject(ControlIds::Panel::ClassId, ControlAbi::ClassFactoryId, &object),
             ControlAbi::ClassNotAvailable);
    QCOMPARE(object, nullptr);
    QCOMPARE(getClassObject(ControlIds::Label3D::ClassId, "{12345678-0000-0000-0000-000000000000}",
                            &object),
             ControlAbi::NoInterface);
    QCOMPARE(getClassObject(ControlIds::Label3D::ClassId, ControlAbi::ClassFactoryId, nullptr),
             ControlAbi::InvalidArgument);
    QCOMPARE(getClassObject(ControlIds::Label3D::ClassId, ControlAbi::ClassFactoryId, &object),
             ControlAbi::Ok);
    auto *factory = static_cast<IControlClassFactory *>(object);
    QCOMPARE(factory->createInstance(nullptr, ControlIds::Panel::DispatchId), nullptr);
    std::unique_ptr<QWidget> label(
        factory->createInstance(nullptr, ControlIds::Label3D::DispatchId));
    QVERIFY(label);
    QCOMPARE(label->metaObject()->className(), "Label3D");
}

QTEST_MAIN(ControlsHostTest)
#include "controls_host.moc"
