#pragma once
#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

// Runs a page's long card transfers (a long send, a timed send, a run of samples) off the
// GUI thread, one job at a time. A job never touches widgets: it hands its results to the
// GUI thread through page_context::post_to_gui, capturing a QPointer to the page so that
// a result arriving after the page is gone is dropped.
class page_worker {
public:
    page_worker();
    // Waits for the running job, drops the queued ones, then ends the thread.
    ~page_worker();
    page_worker(const page_worker&) = delete;
    page_worker& operator=(const page_worker&) = delete;

    // Starts job unless one is running or queued; false (and nothing started) when busy.
    bool start(std::function<void()> job);
    // Runs job after the ones running or queued.
    void enqueue(std::function<void()> job);
    bool busy() const { return busy_; }
    // Blocks until no job runs.
    void wait_idle();

private:
    void run();

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> jobs_;
    std::atomic<bool> busy_{false};
    bool stopping_ = false;
    bool running_ = false; // a job has been taken from the queue and not yet finished
    std::thread thread_;
};
