#include "winsvc/closeguard.h"

#include <QTest>

class TestCloseGuard : public QObject
{
    Q_OBJECT

private slots:
    // Some windows close at once when handed the close, so it must wait for the outermost
    // operation, however the work nests or ends later.
    void closeWaitsForTheOutermostOperation()
    {
        int closes = 0;
        CloseGuard guard([&] { ++closes; });
        {
            const CloseGuard::Operation outer(guard);
            guard.begin(); // an answer that comes after the call returns
            {
                const CloseGuard::Operation inner(guard);
                guard.deferClose();
            }
            QCOMPARE(closes, 0);
            QVERIFY(guard.busy());
            guard.end();
            QCOMPARE(closes, 0);
        }
        QCOMPARE(closes, 1);
        QVERIFY(guard.closePending()); // the window drops it when it really closes

        // Work ending with no close asked for, or a close the window dropped, closes nothing.
        CloseGuard idle([&] { ++closes; });
        {
            const CloseGuard::Operation operation(idle);
        }
        {
            const CloseGuard::Operation operation(idle);
            idle.deferClose();
            idle.dropClose();
        }
        QCOMPARE(closes, 1);
        QVERIFY(!idle.busy());
    }
};

QTEST_GUILESS_MAIN(TestCloseGuard)
#include "winsvc_closeguard.moc"
