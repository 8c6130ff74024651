#include "zip/busy_wait.h"

#include "scratch_dir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

namespace kb::busy {
namespace {

using namespace std::chrono_literals;

TEST(BusyWait, OneLinePerDirectoryHoweverSpelt) {
    std::wstring name = waitLineName(L"C:\\Temp\\");
    EXPECT_EQ(waitLineName(L"c:\\TEMP\\"), name);
    EXPECT_EQ(waitLineName(L"C:\\Temp"), name);
    EXPECT_NE(waitLineName(L"C:\\Temp2\\"), name);
}

// Waiters that came one after another behind a held flag raise it in that
// order, each while the ones behind it still wait.
TEST(BusyWait, WaitersTakeTheFlagInTheOrderTheyCame) {
    test::ScratchDir dir;
    BusyFlag holder(dir.path());
    ASSERT_EQ(holder.tryRaise(), RaiseResult::Raised);
    std::mutex mutex;
    std::vector<int> order;
    std::vector<std::thread> waiters;
    for (int i = 0; i < 4; ++i) {
        waiters.emplace_back([&, i] {
            BusyFlag flag(dir.path());
            if (raiseWaiting(flag, 20s) != RaiseResult::Raised) return;
            {
                std::lock_guard<std::mutex> lock(mutex);
                order.push_back(i);
            }
            std::this_thread::sleep_for(100ms);
        });
        std::this_thread::sleep_for(150ms);
    }
    holder.clear();
    for (auto& t : waiters) t.join();
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3}));
}

}  // namespace
}  // namespace kb::busy
