#include "app/CTQRThread.h"

#include <pthread.h>

#include <chrono>

#include <QCoreApplication>
#include <QThread>

#include "app/worker_host.h"

namespace {

bool on_gui_thread()
{
    QCoreApplication* application = QCoreApplication::instance();
    return application && QThread::currentThread() == application->thread();
}

} // namespace

CTQRThread::~CTQRThread()
{
    stop_thread();
    join();
}

bool CTQRThread::set_procedure(procedure_type procedure, const std::string& name, worker_host* owner)
{
    if (running_)
        return false;
    procedure_ = procedure;
    name_ = name;
    owner_ = owner;
    return true;
}

void CTQRThread::start(procedure_type procedure, const std::string& name, worker_host* owner)
{
    std::lock_guard lock(state_lock_);
    if (!stop_requested_)
        return;
    if (running_ || !set_procedure(procedure, name, owner) || !procedure_)
        return;
    if (thread_.joinable())
        thread_.join(); // its body has ended: running_ is 0
    stop_requested_ = 0;
    finished_.reset();
    // running from here on, so that a stop right after the start is not lost
    running_ = 1;
    thread_ = std::thread([this] { body(); });
    pthread_setname_np(thread_.native_handle(), name_.substr(0, 15).c_str());
}

void CTQRThread::body()
{
    if (procedure_ && owner_)
        procedure_(*this, *owner_);
    {
        std::lock_guard lock(state_lock_);
        running_ = 0;
        stop_requested_ = 1;
    }
    finished_.set();
}

void CTQRThread::stop_thread()
{
    if (!running_)
        return;
    stop_requested_ = 1;
    const bool pump = on_gui_thread() && owner_;
    if (pump)
        ++owner_->gui_waits;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(stop_timeout_ms);
    while (finished_.wait(pump ? 1 : 50) != platform::wait_result::signalled) {
        if (std::chrono::steady_clock::now() >= deadline)
            break;
        if (pump)
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
    if (pump)
        --owner_->gui_waits;
}

void CTQRThread::join()
{
    if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id())
        thread_.join();
}
