#include "platform/clock.h"

#include <gtest/gtest.h>
#include <QTimer>

using namespace mox::platform;

TEST(FakeClock, WaitsAdvanceTimeAndAreCounted) {
    FakeClock clock;
    clock.SetNow(QDateTime(QDate(2024, 3, 15), QTime(9, 0)));
    const qint64 start = CurrentClock().MonotonicMs();
    Wait(2000);
    Wait(2000);
    EXPECT_EQ(clock.WaitCount(), 2);
    EXPECT_EQ(clock.TotalWaited(), 4000);
    EXPECT_EQ(CurrentClock().MonotonicMs() - start, 4000);
    EXPECT_EQ(CurrentClock().Now(), QDateTime(QDate(2024, 3, 15), QTime(9, 0, 4)));
    clock.Advance(500);
    EXPECT_EQ(clock.TotalWaited(), 4000);
    EXPECT_EQ(CurrentClock().Now().time(), QTime(9, 0, 4, 500));
}

TEST(FakeClock, InstallsItselfAndRestoresTheOuterClock) {
    Clock* real = &CurrentClock();
    {
        FakeClock outer;
        EXPECT_EQ(&CurrentClock(), &outer);
        {
            FakeClock inner;
            EXPECT_EQ(&CurrentClock(), &inner);
            Wait(10);
            EXPECT_EQ(outer.WaitCount(), 0);
        }
        EXPECT_EQ(&CurrentClock(), &outer);
    }
    EXPECT_EQ(&CurrentClock(), real);
}

TEST(RealClock, WaitKeepsTheEventLoopRunning) {
    // The wait ends only after a zero timer posted before it has fired, so
    // events are dispatched during the wait (no timing is asserted).
    bool fired = false;
    QTimer::singleShot(0, [&] { fired = true; });
    CurrentClock().Wait(1);
    EXPECT_TRUE(fired);

    bool processed = false;
    QTimer::singleShot(0, [&] { processed = true; });
    ProcessEvents();
    EXPECT_TRUE(processed);
}
