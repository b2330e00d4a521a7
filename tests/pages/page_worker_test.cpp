// The page worker: one job at a time, off the calling thread, and a destructor that waits.
#include <atomic>
#include <chrono>
#include <future>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "pages/page_worker.h"

TEST(page_worker, runs_a_job_on_its_own_thread_and_refuses_a_second_while_busy)
{
    page_worker worker;
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::atomic<std::thread::id> ran_on{};
    std::atomic<int> runs{0};
    ASSERT_TRUE(worker.start([&] {
        ran_on = std::this_thread::get_id();
        released.wait();
        ++runs;
    }));
    EXPECT_TRUE(worker.busy());
    EXPECT_FALSE(worker.start([&] { runs += 100; }));
    release.set_value();
    worker.wait_idle();
    EXPECT_EQ(runs, 1);
    EXPECT_NE(ran_on.load(), std::this_thread::get_id());
    EXPECT_FALSE(worker.busy());
    ASSERT_TRUE(worker.start([&] { ++runs; }));
    worker.wait_idle();
    EXPECT_EQ(runs, 2);
}

TEST(page_worker, destruction_waits_for_the_running_job)
{
    std::atomic<bool> finished{false};
    {
        page_worker worker;
        worker.start([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(30));
            finished = true;
        });
    }
    EXPECT_TRUE(finished);
}

TEST(page_worker, queued_jobs_run_in_order_after_the_running_one_and_are_dropped_at_destruction)
{
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::vector<int> order; // written by the worker only, read after wait_idle
    std::atomic<bool> dropped_ran{false};
    std::promise<void> hold;
    std::shared_future<void> held = hold.get_future().share();
    std::thread releaser;
    {
        page_worker worker;
        worker.enqueue([&] {
            released.wait();
            order.push_back(1);
        });
        worker.enqueue([&] { order.push_back(2); });
        EXPECT_FALSE(worker.start([&] { order.push_back(99); })) << "start refuses while jobs wait";
        release.set_value();
        worker.wait_idle();
        EXPECT_EQ(order, (std::vector<int>{1, 2}));

        worker.enqueue([held] { held.wait(); });
        worker.enqueue([&] { dropped_ran = true; });
        releaser = std::thread([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            hold.set_value();
        });
    }
    releaser.join();
    EXPECT_FALSE(dropped_ran) << "a job queued behind the running one does not outlive the page";
}
