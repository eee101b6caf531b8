#include "tools/ftp/CTimeout.h"

#include <QElapsedTimer>
#include <QtTest>

class TestFtpTimeout : public QObject
{
    Q_OBJECT

private slots:
    void expiresAfterLimitPlusOne();
    void resetRestarts();
    void restartKeepsOneTimer();
    void countersAreSeparate();

private:
    // Runs the event loop until `timeout` has ticked `ticks` times.
    static void tick(CTimeout &timeout, int ticks)
    {
        const int target = timeout.ticks() + ticks;
        QVERIFY(QTest::qWaitFor([&] { return timeout.ticks() >= target; }, 5000));
    }
};

void TestFtpTimeout::expiresAfterLimitPlusOne()
{
    CTimeout timeout(100);
    timeout.setTimeoutValue(3);
    timeout.startTimer();
    tick(timeout, 3);
    QVERIFY(!timeout.timeout());
    tick(timeout, 1);
    QVERIFY(timeout.timeout());
    // Reading True stopped the timer and cleared the count.
    QVERIFY(!timeout.isRunning());
    QVERIFY(!timeout.timeout());

    CTimeout zero(100);
    zero.setTimeoutValue(0);
    QVERIFY(!zero.timeout());
    zero.stopTimer(); // harmless before any start
    zero.startTimer();
    QVERIFY(!zero.timeout());
    tick(zero, 1);
    QVERIFY(zero.timeout());
}

void TestFtpTimeout::resetRestarts()
{
    CTimeout timeout(100);
    timeout.setTimeoutValue(3);
    timeout.startTimer();
    tick(timeout, 3);
    timeout.reset();
    tick(timeout, 3);
    QVERIFY(!timeout.timeout());
    tick(timeout, 1);
    QVERIFY(timeout.timeout());
}

void TestFtpTimeout::restartKeepsOneTimer()
{
    CTimeout timeout(20);
    timeout.setTimeoutValue(100);
    timeout.startTimer();
    timeout.startTimer();
    QElapsedTimer clock;
    clock.start();
    QTest::qWait(210);
    // One timer: about ten ticks, not twenty.
    QVERIFY2(timeout.ticks() <= 12, qPrintable(QString::number(timeout.ticks())));
    timeout.stopTimer();
    QCOMPARE(timeout.ticks(), 0);
}

void TestFtpTimeout::countersAreSeparate()
{
    CTimeout first(100);
    CTimeout second(100);
    first.setTimeoutValue(2);
    second.setTimeoutValue(2);
    first.startTimer();
    tick(first, 3);
    second.startTimer();
    QVERIFY(!second.timeout());
    QVERIFY(first.timeout());
}

QTEST_GUILESS_MAIN(TestFtpTimeout)
#include "tst_ftptimeout.moc"
