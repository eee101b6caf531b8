#include "shell/nsnd.h"

#include "soundrecorder.h"

#include <QFile>
#include <QtEndian>
#include <QtTest>

using TestSupport::SoundGate;
using TestSupport::SoundRecorder;

namespace {

const QStringList SoundNames = {"101",      "102",        "103",       "104",     "105",
                                "106",      "107",        "CLICKDOWN", "CLICKUP", "COMBODROPDOWN",
                                "KEYPRESS", "TBTABCLICK", "TABCLICK",  "MENU"};

quint32 le32(const QByteArray &data, int at)
{
    return qFromLittleEndian<quint32>(data.constData() + at);
}

quint16 le16(const QByteArray &data, int at)
{
    return qFromLittleEndian<quint16>(data.constData() + at);
}

} // namespace

class SoundTest : public QObject
{
    Q_OBJECT

private slots:
    void everySoundIsAShortPcmWave_data();
    void everySoundIsAShortPcmWave();
    void playsByNameAndStopsTheSoundBefore();
    void unknownNamesAreSilent();
    void gateOffIsSilent();
    void realPlayerWithoutADeviceDoesNotFail();
};

void SoundTest::everySoundIsAShortPcmWave_data()
{
    QTest::addColumn<QString>("name");
    for (const QString &name : SoundNames)
        QTest::newRow(qPrintable(name)) << name;
}

void SoundTest::everySoundIsAShortPcmWave()
{
    QFETCH(QString, name);
    QVERIFY(Sounds::exists(name));
    QFile file(Sounds::resourcePath(name));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray data = file.readAll();
    QVERIFY(data.size() > 44);
    QCOMPARE(data.left(4), QByteArray("RIFF"));
    QCOMPARE(le32(data, 4), quint32(data.size() - 8));
    QCOMPARE(data.mid(8, 8), QByteArray("WAVEfmt "));
    QCOMPARE(le16(data, 20), quint16(1)); // PCM
    const quint32 byteRate = le32(data, 28);
    QCOMPARE(data.mid(36, 4), QByteArray("data"));
    const quint32 dataBytes = le32(data, 40);
    QCOMPARE(dataBytes, quint32(data.size() - 44));
    QVERIFY(dataBytes > 0);
    // Interface feedback must never hold the user up.
    QVERIFY(double(dataBytes) / byteRate < 0.6);
}

void SoundTest::playsByNameAndStopsTheSoundBefore()
{
    SoundGate gate(true);
    SoundRecorder recorder;
    SetSndName(QStringLiteral("CLICKUP"));
    QCOMPARE(SoundName, QStringLiteral("CLICKUP"));
    PlaySnd();
    SetSndName(QStringLiteral("MENU"));
    PlaySnd();
    QCOMPARE(recorder.events, (QStringList{"stop", "CLICKUP", "stop", "MENU"}));
}

void SoundTest::unknownNamesAreSilent()
{
    SoundGate gate(true);
    SoundRecorder recorder;
    for (const QString &name : {QString(), QStringLiteral("NOSUCH"), QStringLiteral("108"),
                                QStringLiteral("../sounds/101"), QStringLiteral("clickup")}) {
        SetSndName(name);
        PlaySnd();
    }
    // Nothing played, and a sound already playing was not cut off either.
    QVERIFY(recorder.events.isEmpty());
}

void SoundTest::gateOffIsSilent()
{
    SoundGate gate(false);
    SoundRecorder recorder;
    for (const QString &name : SoundNames) {
        SetSndName(name);
        PlaySnd();
    }
    QVERIFY(recorder.events.isEmpty());
}

void SoundTest::realPlayerWithoutADeviceDoesNotFail()
{
    // Whatever audio there is here (often none), playing and releasing must not fail.
    SoundGate gate(true);
    QVERIFY(Sounds::audioOutputCount() >= 0);
    SetSndName(QStringLiteral("105"));
    PlaySnd();
    SetSndName(QStringLiteral("KEYPRESS"));
    PlaySnd();
    Sounds::release();
    PlaySnd();
    Sounds::release();
}

QTEST_GUILESS_MAIN(SoundTest)
#include "shell_sound_test.moc"
