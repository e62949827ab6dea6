#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "base/Anomaly.h"

namespace korvan {
namespace {

class AnomalyTest : public ::testing::Test {
  protected:
    void SetUp() override { DiscardAnomalies(); }
    void TearDown() override {
        DiscardAnomalies();
        SetAnomalyWakeup(nullptr);
    }
};

TEST_F(AnomalyTest, NothingPostedMeansNothingToTake) {
    std::string text = "untouched";
    EXPECT_FALSE(TakeAnomaly(&text));
    EXPECT_EQ(text, "untouched");
}

TEST_F(AnomalyTest, LaterReportOverwritesTheBufferButEveryPostIsDelivered) {
    PostAnomaly("first");
    PostAnomalyFormat("%s の計算で %d", "箱", 2);
    EXPECT_EQ(PendingAnomalies(), 2);
    std::string text;
    ASSERT_TRUE(TakeAnomaly(&text));
    EXPECT_EQ(text, "箱 の計算で 2");
    ASSERT_TRUE(TakeAnomaly(&text));
    EXPECT_FALSE(TakeAnomaly(&text));
}

TEST_F(AnomalyTest, OverlongTextIsCutToTheBuffer) {
    PostAnomaly(std::string(kAnomalyBufferSize + 50, 'x'));
    std::string text;
    ASSERT_TRUE(TakeAnomaly(&text));
    EXPECT_EQ(text.size(), kAnomalyBufferSize - 1);
}

std::atomic<int> wakeups{0};

TEST_F(AnomalyTest, ReportsFromWorkerThreadsReachTheMainThreadWithTheirWakeup) {
    wakeups = 0;
    SetAnomalyWakeup([] { wakeups.fetch_add(1); });
    std::vector<std::thread> workers;
    for (int t = 0; t < 4; ++t)
        workers.emplace_back([t] {
            for (int i = 0; i < 100; ++i) PostAnomalyFormat("thread %d report %d", t, i);
        });
    for (auto& w : workers) w.join();
    EXPECT_EQ(wakeups.load(), 400);
    int taken = 0;
    std::string text;
    while (TakeAnomaly(&text)) {
        ++taken;
        EXPECT_EQ(text.rfind("thread ", 0), 0u) << text;
    }
    EXPECT_EQ(taken, 400);
}

}  // namespace
}  // namespace korvan
