#include "pages/page_worker.h"

page_worker::page_worker() : thread_([this] { run(); }) { }

page_worker::~page_worker()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        // the job under way (or handed over and not yet taken) ends; the ones behind it go
        if (running_)
            jobs_.clear();
        else if (jobs_.size() > 1)
            jobs_.resize(1);
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
        jobs_.push_back(std::move(job));
    }
    wake_.notify_all();
    return true;
}

void page_worker::enqueue(std::function<void()> job)
{
    {
        std::lock_guard lock(mutex_);
        busy_ = true;
        jobs_.push_back(std::move(job));
    }
    wake_.notify_all();
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
        wake_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
        if (jobs_.empty())
            return;
        std::function<void()> job = std::move(jobs_.front());
        jobs_.pop_front();
        running_ = true;
        lock.unlock();
        job();
        lock.lock();
        running_ = false;
        busy_ = !jobs_.empty();
        wake_.notify_all();
    }
}
