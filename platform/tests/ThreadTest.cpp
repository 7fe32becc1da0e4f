// Thread: joining, a callable run and destroyed on its thread, and a thread
// left to run on by itself.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <utility>

#include "platform/FaultInjection.h"
#include "platform/Thread.h"
#include "platform/tests/PlatformTest.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace zemrik::platform {
namespace {

void pause(int milliseconds) {
#ifdef _WIN32
    Sleep(static_cast<DWORD>(milliseconds));
#else
    usleep(static_cast<useconds_t>(milliseconds) * 1000);
#endif
}

// Waits for a flag set by another thread, giving up after a few seconds.
bool waitFor(const std::atomic<bool>& flag) {
    for (int attempt = 0; attempt < 500 && !flag.load(); ++attempt) pause(10);
    return flag.load();
}

TEST_F(PlatformTest, JoinWaitsForTheThread) {
    std::atomic<bool> done{false};
    auto thread = Thread::start([&done] {
        pause(50);
        done = true;
    });
    ASSERT_TRUE(thread);
    EXPECT_TRUE(thread->joinable());
    thread->join();
    EXPECT_TRUE(done);
    EXPECT_FALSE(thread->joinable());
}

TEST_F(PlatformTest, MoveOnlyCallableRunsAndIsDestroyedOnItsThread) {
    std::atomic<int> seen{0};
    auto value = std::make_unique<int>(42);
    auto thread = Thread::start([&seen, value = std::move(value)] { seen = *value; });
    ASSERT_TRUE(thread);
    thread->join();
    EXPECT_EQ(seen, 42);
}

TEST_F(PlatformTest, DroppedThreadRunsOnByItself) {
    std::atomic<bool> gate{false};
    std::atomic<bool> done{false};
    {
        auto thread = Thread::start([&gate, &done] {
            waitFor(gate);
            done = true;
        });
        ASSERT_TRUE(thread);
    }
    gate = true;
    EXPECT_TRUE(waitFor(done));
}

TEST_F(PlatformTest, UnstartedCallableIsDestroyedAtOnce) {
    auto owned = std::make_shared<int>(1);
    std::weak_ptr<int> watch = owned;
    armFault(Acquisition::StartThread);
    EXPECT_FALSE(Thread::start([owned = std::move(owned)] { (void)owned; }));
    EXPECT_TRUE(watch.expired());
}

}  // namespace
}  // namespace zemrik::platform
