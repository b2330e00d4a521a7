#pragma once
#include <chrono>
#include <memory>
#include <string>

#include "sim/firmware/bounded_call_thread.h"
#include "sim/firmware/firmware_library.h"
#include "sim/firmware/message_log.h"
#include "sim/firmware/slave_application.h"

namespace sim {

constexpr std::chrono::milliseconds default_firmware_call_limit{1000};

// Slave firmware from a shared library built against kestio_firmware.h, as a
// slave_application: the first run() calls the library's init, every run() its run. Each call
// is made on a thread of this slave's own and may take at most the call limit. One that takes
// longer fails the firmware for good (failure() says which call), and whatever that call still
// asks of the ESC afterwards is refused. The firmware's log lines go to the message log.
class shared_library_firmware : public slave_application {
public:
    shared_library_firmware(std::shared_ptr<firmware_library> library, const std::string& name,
                            std::shared_ptr<message_log> log,
                            std::chrono::milliseconds call_limit = default_firmware_call_limit);
    ~shared_library_firmware() override;

    void run(pdi& chip) override;
    std::string_view failure() const override { return failure_; }

private:
    struct session;
    bool call(void (*job)(void*), const char* what);
    void set_gate(pdi* chip, bool in_call);

    std::shared_ptr<session> session_;
    bounded_call_thread thread_;
    std::chrono::milliseconds call_limit_;
    bool initialized_ = false;
    std::string failure_;
};

} // namespace sim
