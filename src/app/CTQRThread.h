#pragma once
#include <atomic>
#include <mutex>
#include <string>
#include <thread>

#include "platform/event.h"

class worker_host;

// One worker-thread slot: runs one procedure on its own thread and can be asked to stop
// from any thread. Stopping is cooperative: the procedure tests stop_requested() between
// card accesses and returns when it is set.
class CTQRThread {
public:
    using procedure_type = int (*)(CTQRThread& slot, worker_host& owner);

    CTQRThread() = default;
    // Stops the procedure and waits for its thread, however long that takes.
    virtual ~CTQRThread();
    CTQRThread(const CTQRThread&) = delete;
    CTQRThread& operator=(const CTQRThread&) = delete;

    // Refused (false) while a procedure runs.
    bool set_procedure(procedure_type procedure, const std::string& name, worker_host* owner);
    // A started slot is left alone (also with another procedure); otherwise the slot takes
    // the procedure unless its old thread is still running, and starts a new thread.
    void start(procedure_type procedure, const std::string& name, worker_host* owner);
    // Asks the procedure to stop and waits for its end, giving up after 5000 ms. On the GUI
    // thread the events other than user input keep flowing meanwhile.
    void stop_thread();
    // Waits for the thread to end without asking it to stop.
    void join();

    bool stop_requested() const { return stop_requested_ != 0; }
    bool running() const { return running_ != 0; }
    const std::string& name() const { return name_; }
    procedure_type procedure() const { return procedure_; }
    // the thread last started, to tell a restarted slot from one left running
    std::thread::id thread_id() const { return thread_.get_id(); }

    static constexpr int stop_timeout_ms = 5000;

private:
    void body();

    std::thread thread_;
    procedure_type procedure_ = nullptr;
    worker_host* owner_ = nullptr;
    std::atomic<int> running_{0};
    std::atomic<int> stop_requested_{1};
    std::string name_;
    platform::auto_reset_event finished_;
    // the start rule and the end of the body change both flags together
    std::mutex state_lock_;
};
