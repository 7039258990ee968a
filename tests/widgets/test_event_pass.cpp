// The event pass that long transfers run between their requests: it asks the event loop to
// leave the user's input queued, so the window repaints but no second flow can be started from
// it, and goes over what is pending once, so that timers that keep firing (the link timer runs
// at interval 0) cannot hold every block of a transfer for a time limit. An event dispatcher
// of the test's own, which always has more to do, records what the pass asked for.
#include <gtest/gtest.h>

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QElapsedTimer>
#include <vector>

#include "widgets/qt_services.h"

namespace {

class recording_dispatcher final : public QAbstractEventDispatcher {
public:
    bool processEvents(QEventLoop::ProcessEventsFlags flags) override
    {
        passes.push_back(flags);
        // Always more to do: only the caller's time limit ends the pass.
        return true;
    }
    bool hasPendingEvents() override { return false; }
    void registerSocketNotifier(QSocketNotifier*) override {}
    void unregisterSocketNotifier(QSocketNotifier*) override {}
    void registerTimer(int, int, Qt::TimerType, QObject*) override {}
    bool unregisterTimer(int) override { return true; }
    bool unregisterTimers(QObject*) override { return true; }
    QList<TimerInfo> registeredTimers(QObject*) const override { return {}; }
    int remainingTime(int) override { return -1; }
    void wakeUp() override {}
    void interrupt() override {}
    void flush() override {}

    std::vector<QEventLoop::ProcessEventsFlags> passes;
};

}  // namespace

TEST(EventPass, LeavesUserInputQueuedAndEndsWithinItsTime)
{
    auto* dispatcher = new recording_dispatcher;
    QCoreApplication::setEventDispatcher(dispatcher);
    int argc = 1;
    char name[] = "test_event_pass";
    char* argv[] = {name, nullptr};
    QApplication app(argc, argv);
    ui::qt_services services;

    QElapsedTimer t;
    t.start();
    services.process_events();
    const qint64 took = t.elapsed();
    ASSERT_FALSE(dispatcher->passes.empty());
    for (auto flags : dispatcher->passes)
        EXPECT_TRUE(flags & QEventLoop::ExcludeUserInputEvents);
    // One round, although the dispatcher always has more: a pass with a time limit would go
    // round until the limit is up.
    EXPECT_EQ(dispatcher->passes.size(), 1u);
    EXPECT_LT(took, 1000);
}
