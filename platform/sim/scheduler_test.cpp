// The blocking model: programs block like Windows programs while the machine keeps moving.
#include "platform/sim/scheduler.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zelta::sim {
namespace {

TEST(Scheduler, MachineMovesWhileAProgramSleeps) {
    Scheduler scheduler;
    std::string serviceState = "stop pending";
    std::vector<std::string> trace;
    scheduler.At(1000, [&] { serviceState = "stopped"; });

    scheduler.Start("poller", [&] {
        trace.push_back("poller sleeps at " + std::to_string(scheduler.Now()));
        scheduler.Sleep(3000);
        trace.push_back("poller wakes at " + std::to_string(scheduler.Now()) + " and sees " + serviceState);
    });
    scheduler.Start("other", [&] {
        scheduler.Sleep(2000);
        trace.push_back("other runs at " + std::to_string(scheduler.Now()));
    });
    scheduler.RunFor(5000);

    EXPECT_EQ(trace, (std::vector<std::string>{"poller sleeps at 0", "other runs at 2000",
                                               "poller wakes at 3000 and sees stopped"}));
    EXPECT_EQ(scheduler.Now(), 5000u);
}

TEST(Scheduler, ProgramsEndInAnyOrder) {
    Scheduler scheduler;
    const auto first = scheduler.Start("first", [&] { scheduler.Sleep(5000); });
    const auto second = scheduler.Start("second", [&] { scheduler.Sleep(1000); });
    scheduler.RunFor(1000);
    EXPECT_TRUE(scheduler.HasEnded(second));
    EXPECT_FALSE(scheduler.HasEnded(first));
    scheduler.RunFor(4000);
    EXPECT_EQ(scheduler.EndOrder(), (std::vector<std::string>{"second", "first"}));
}

TEST(Scheduler, AStartedProgramRunsUntilItFirstBlocks) {
    Scheduler scheduler;
    int steps = 0;
    scheduler.Start("p", [&] {
        ++steps;
        scheduler.Sleep(10);
        ++steps;
    });
    EXPECT_EQ(steps, 1);
    scheduler.RunFor(9);
    EXPECT_EQ(steps, 1);
    scheduler.RunFor(1);
    EXPECT_EQ(steps, 2);
}

TEST(Scheduler, MessagesWaitWhileTheProgramIsBlockedElsewhere) {
    Scheduler scheduler;
    std::vector<std::string> trace;
    const auto gui = scheduler.Start("gui", [&] {
        scheduler.Sleep(3000);  // a blocked GUI thread dispatches nothing
        trace.push_back("loop at " + std::to_string(scheduler.Now()));
        while (auto message = scheduler.WaitMessage(10000)) message();
    });
    scheduler.Post(gui, 1000, [&] { trace.push_back("message at " + std::to_string(scheduler.Now())); });
    scheduler.Post(gui, 4000, [&] { trace.push_back("message at " + std::to_string(scheduler.Now())); });
    scheduler.RunFor(20000);
    EXPECT_EQ(trace, (std::vector<std::string>{"loop at 3000", "message at 3000", "message at 4000"}));
}

TEST(Scheduler, BlockUntilWakesOnTheEventOrAtTheTimeout) {
    Scheduler scheduler;
    bool peerConnected = false;
    std::vector<std::string> trace;
    scheduler.At(1500, [&] { peerConnected = true; });
    scheduler.Start("listener", [&] {
        const bool first = scheduler.BlockUntil([&] { return peerConnected; }, 3000);
        trace.push_back(std::string(first ? "accepted" : "timed out") + " at " + std::to_string(scheduler.Now()));
        const bool second = scheduler.BlockUntil([] { return false; }, 3000);
        trace.push_back(std::string(second ? "accepted" : "timed out") + " at " + std::to_string(scheduler.Now()));
    });
    scheduler.RunFor(10000);
    EXPECT_EQ(trace, (std::vector<std::string>{"accepted at 1500", "timed out at 4500"}));
}

TEST(Scheduler, TheDriverCanBlockToo) {
    Scheduler scheduler;
    int changes = 0;
    scheduler.At(300, [&] { ++changes; });
    scheduler.At(900, [&] { ++changes; });
    scheduler.Sleep(600);  // product code called straight from a test
    EXPECT_EQ(changes, 1);
    EXPECT_TRUE(scheduler.BlockUntil([&] { return changes == 2; }, std::nullopt));
    EXPECT_EQ(scheduler.Now(), 900u);
    EXPECT_THROW(scheduler.BlockUntil([] { return false; }, std::nullopt), SimSetupError);
}

TEST(Scheduler, AFailureInsideAProgramSurfacesOnTheDriver) {
    Scheduler scheduler;
    scheduler.Start("ok", [&] { scheduler.Sleep(100); });
    try {
        scheduler.Start("broken", [&] {
            scheduler.Sleep(50);
            throw SimSetupError("SystemInfo::QueryOsVersion: set it with SimHost::SetOsVersion");
        });
        scheduler.RunFor(1000);
        FAIL() << "the program's failure was swallowed";
    } catch (const SimSetupError& e) {
        EXPECT_STREQ(e.what(), "SystemInfo::QueryOsVersion: set it with SimHost::SetOsVersion");
    }
    EXPECT_EQ(scheduler.Now(), 50u);
}

TEST(Scheduler, ProgramsStillBlockedAreEndedWithTheirDestructorsRun) {
    bool cleanedUp = false;
    {
        Scheduler scheduler;
        scheduler.Start("forever", [&] {
            struct Guard {
                bool& flag;
                ~Guard() { flag = true; }
            } guard{cleanedUp};
            while (scheduler.WaitMessage()) {
            }
        });
        scheduler.RunFor(1000);
        EXPECT_FALSE(cleanedUp);
    }
    EXPECT_TRUE(cleanedUp);
}

// The same story gives the same transcript every time, however the OS schedules the threads.
TEST(Scheduler, RunsAreDeterministic) {
    auto run = [] {
        Scheduler scheduler;
        std::string transcript;
        for (int p = 0; p < 4; ++p) {
            scheduler.Start("p" + std::to_string(p), [&, p] {
                for (int i = 0; i < 20; ++i) {
                    transcript += std::to_string(p);
                    scheduler.Sleep(static_cast<VirtualTime>(7 + p * 3));
                }
            });
        }
        scheduler.RunFor(1000);
        return transcript;
    };
    const std::string first = run();
    EXPECT_EQ(first.size(), 80u);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(run(), first);
}

}  // namespace
}  // namespace zelta::sim
