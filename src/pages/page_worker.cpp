#include "pages/page_worker.h"

page_worker::page_worker() : thread_([this] { run(); }) { }

page_worker::~page_worker()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

bool page_worker::start(std::function<void()> job)
{
    {
        std::lock_guard lock(mutex_);
        if (busy_)
            return false;
        // busy from here on, so a second press right after the first is refused
        busy_ = true;
        job_ = std::move(job);
    }
    wake_.notify_all();
    return true;
}

void page_worker::wait_idle()
{
    std::unique_lock lock(mutex_);
    wake_.wait(lock, [this] { return !busy_; });
}

void page_worker::run()
{
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stopping_ || job_; });
        if (!job_)
            return;
        std::function<void()> job = std::move(job_);
        job_ = nullptr;
        lock.unlock();
        job();
        lock.lock();
        busy_ = false;
        wake_.notify_all();
    }
}
