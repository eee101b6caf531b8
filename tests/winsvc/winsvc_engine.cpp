#include "platform/base/apperror.h"
#include "winsvc/ctimer.h"
#include "winsvc/msubclass.h"

#include <QPointer>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QWidget>

namespace {

// A widget that records the events its own handling saw.
class Target : public QWidget
{
public:
    QStringList *log = nullptr;

protected:
    bool event(QEvent *event) override
    {
        if (event->type() == QEvent::User && log)
            log->append(QStringLiteral("previous"));
        return QWidget::event(event);
    }
};

class Handler : public ISubClass
{
public:
    Handler(QString name, int response, QStringList *log, bool result = false)
        : m_name(std::move(name)), m_response(response), m_log(log), m_result(result)
    {}
    int MsgResponse() const override { return m_response; }
    bool WindowProc(QWidget *, QEvent *) override
    {
        m_log->append(m_name);
        seen = MSubClass::CurrentMessage();
        return m_result;
    }
    QEvent::Type seen = QEvent::None;

private:
    QString m_name;
    int m_response;
    QStringList *m_log;
    bool m_result;
};

QStringList dispatch(Target &target, QStringList &log, bool *accepted = nullptr)
{
    log.clear();
    QEvent event(QEvent::User);
    QCoreApplication::sendEvent(&target, &event);
    if (accepted)
        *accepted = event.isAccepted();
    return log;
}

int errorOf(const std::function<void()> &call, QString *description = nullptr)
{
    try {
        call();
    } catch (const AppException &error) {
        if (description)
            *description = error.description();
        return error.number();
    }
    return 0;
}

} // namespace

class TestEngine : public QObject
{
    Q_OBJECT

private slots:
    void orderOfHandlersAndPrevious()
    {
        QStringList log;
        Target target;
        target.log = &log;
        const auto user = QEvent::User;

        // A lone handler with 0 keeps the widget from seeing the event.
        Handler alone("alone", 0, &log, true);
        MSubClass::AttachMessage(&alone, &target, user);
        bool accepted = false;
        QCOMPARE(dispatch(target, log, &accepted), QStringList{"alone"});
        QVERIFY(accepted);
        QCOMPARE(alone.seen, user);
        QCOMPARE(MSubClass::CurrentMessage(), QEvent::None);
        MSubClass::DetachMessage(&alone, &target, user);

        // 1: the handler first, then the widget.
        Handler after("after", 1, &log);
        MSubClass::AttachMessage(&after, &target, user);
        QCOMPARE(dispatch(target, log), (QStringList{"after", "previous"}));
        MSubClass::DetachMessage(&after, &target, user);

        // [2, 1]: the previous runs once, before the first; the second handler's result counts.
        Handler first("first", 2, &log, false);
        Handler second("second", 1, &log, true);
        MSubClass::AttachMessage(&first, &target, user);
        MSubClass::AttachMessage(&second, &target, user);
        QCOMPARE(dispatch(target, log, &accepted), (QStringList{"previous", "first", "second"}));
        QVERIFY(accepted);

        // A watched widget passes other events straight on.
        QVERIFY(MSubClass::IsWatched(&target));
        QCOMPARE(MSubClass::HandlerCount(&target, QEvent::Resize), 0);
        MSubClass::DetachMessage(&first, &target, user);
        MSubClass::DetachMessage(&second, &target, user);
        QVERIFY(!MSubClass::IsWatched(&target));
        QCOMPARE(dispatch(target, log), QStringList{"previous"});
    }

    void detachKeepsOrderAndReleases()
    {
        QStringList log;
        Target target;
        target.log = &log;
        Handler a("a", 0, &log), b("b", 0, &log), c("c", 0, &log);
        for (Handler *h : {&a, &b, &c})
            MSubClass::AttachMessage(h, &target, QEvent::User);
        MSubClass::DetachMessage(&b, &target, QEvent::User);
        QCOMPARE(dispatch(target, log), (QStringList{"a", "c"}));

        // Detaching a pair that is not registered changes nothing.
        MSubClass::DetachMessage(&b, &target, QEvent::User);
        MSubClass::DetachMessage(&a, &target, QEvent::Paint);
        QCOMPARE(MSubClass::HandlerCount(&target, QEvent::User), 2);

        // A handler that ends without detaching is dropped, not called.
        {
            Handler temporary("gone", 0, &log);
            MSubClass::AttachMessage(&temporary, &target, QEvent::User);
        }
        QCOMPARE(dispatch(target, log), (QStringList{"a", "c"}));

        MSubClass::DetachMessage(&a, &target, QEvent::User);
        MSubClass::DetachMessage(&c, &target, QEvent::User);
        QVERIFY(!MSubClass::IsWatched(&target));
    }

    void errors()
    {
        QStringList log;
        Handler h("h", 0, &log);
        const int invalid = errorOf([&] { MSubClass::AttachMessage(&h, nullptr, QEvent::User); });
        QCOMPARE(invalid, AppErrorBase | 13083);

        // A duplicate is refused and leaves the registration as it was.
        Target target;
        MSubClass::AttachMessage(&h, &target, QEvent::User);
        try {
            MSubClass::AttachMessage(&h, &target, QEvent::User);
            QFAIL("duplicate accepted");
        } catch (const AppException &error) {
            QCOMPARE(error.number(), AppErrorBase | 13082);
            QCOMPARE(error.description(),
                     QStringLiteral("Message already handled by another class"));
            QVERIFY(error.error().source.endsWith(QStringLiteral(".WindowProc")));
        }
        QCOMPARE(MSubClass::HandlerCount(&target, QEvent::User), 1);
        MSubClass::DetachMessage(&h, &target, QEvent::User);
        QVERIFY(!MSubClass::IsWatched(&target));

        QCOMPARE(errorOf([] { MSubClass::SubclassErrRaise(5); }), 5);
    }

    void destroyedWidgetDropsRegistrations()
    {
        QStringList log;
        Handler h("h", 0, &log);
        auto *target = new Target;
        QPointer<QWidget> watched = target;
        MSubClass::AttachMessage(&h, target, QEvent::User);
        delete target;
        QVERIFY(!watched);
        // Attaching to a new widget still works afterwards.
        Target other;
        MSubClass::AttachMessage(&h, &other, QEvent::User);
        MSubClass::DetachMessage(&h, &other, QEvent::User);
    }

    void timerStartsRestartsAndStops()
    {
        auto timer = CTimer::create();
        QSignalSpy ticks(timer.get(), &CTimer::ThatTime);
        timer->setInterval(5);
        QVERIFY(timer->TimerID() != 0);
        const int slot = MTimer::SlotOf(timer.get());
        QVERIFY(slot > 0);
        QVERIFY(ticks.wait(1000));

        // The same interval does not restart; a new one gives a new system timer.
        const int id = timer->TimerID();
        timer->setInterval(5);
        QCOMPARE(timer->TimerID(), id);
        timer->setInterval(7);
        QVERIFY(timer->TimerID() != id);
        QCOMPARE(timer->Interval(), 7);

        // The table keeps a running timer alive when the caller lets go.
        std::weak_ptr<CTimer> weak = timer;
        CTimer *raw = timer.get();
        timer.reset();
        QVERIFY(!weak.expired());
        raw->setInterval(0);
        QVERIFY(weak.expired());
    }

    void stoppedTimerAndSlots()
    {
        auto a = CTimer::create();
        a->setInterval(0);
        QCOMPARE(a->Interval(), 0);
        QCOMPARE(MTimer::SlotOf(a.get()), 0);

        auto b = CTimer::create();
        auto c = CTimer::create();
        a->setInterval(1000);
        b->setInterval(1000);
        c->setInterval(1000);
        const int slotB = MTimer::SlotOf(b.get());
        const int high = MTimer::HighWaterMark();
        b->setInterval(0);
        auto d = CTimer::create();
        d->setInterval(1000);
        QCOMPARE(MTimer::SlotOf(d.get()), slotB);
        QCOMPARE(MTimer::HighWaterMark(), high);
        for (const auto &t : {a, c, d})
            t->setInterval(0);
    }

    void timerErrors()
    {
        // The system refuses: the object stays stopped and 13652 is raised.
        MTimer::setSystemTimerStart([](QTimer *, int) { return 0; });
        auto refused = CTimer::create();
        QCOMPARE(errorOf([&] { refused->setInterval(10); }), AppErrorBase | 13652);
        QCOMPARE(refused->Interval(), 0);
        QCOMPARE(refused->TimerID(), 0);
        MTimer::setSystemTimerStart({});

        // A full table: 13651, and nothing is left running.
        std::vector<std::shared_ptr<CTimer>> running;
        int error = 0;
        std::shared_ptr<CTimer> extra;
        QString text;
        for (int i = 0; i <= MTimer::Slots && !error; ++i) {
            extra = CTimer::create();
            error = errorOf([&] { extra->setInterval(10000); }, &text);
            if (!error)
                running.push_back(extra);
        }
        QCOMPARE(error, AppErrorBase | 13651);
        QCOMPARE(text, QStringLiteral("No more than 10 timers allowed per class"));
        QCOMPARE(int(running.size()), MTimer::Slots);
        QCOMPARE(extra->Interval(), 0);
        QVERIFY(!extra->systemTimer());
        for (const auto &t : running)
            t->setInterval(0);
    }
};

QTEST_MAIN(TestEngine)
#include "winsvc_engine.moc"
