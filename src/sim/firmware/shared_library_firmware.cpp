#include "sim/firmware/shared_library_firmware.h"

#include <mutex>

namespace sim {

namespace {
constexpr size_t address_space = 0x10000;
}

// What the firmware's calls reach. It lives as long as the firmware's thread may still call.
struct shared_library_firmware::session {
    // the table handed to the firmware, and the way back from it to this session
    struct esc_table {
        kestio_esc_api api;
        session* owner;
    };

    esc_table table;
    std::shared_ptr<firmware_library> library;
    std::shared_ptr<message_log> log;
    std::string label;
    std::chrono::steady_clock::time_point power_up = std::chrono::steady_clock::now();
    void* context = nullptr;
    int init_result = 0;
    // The gate: the ESC is reachable only while the bus waits for a call of this firmware.
    std::mutex gate;
    pdi* chip = nullptr;
    bool in_call = false;

    static session& of(const kestio_esc_api* esc) { return *reinterpret_cast<const esc_table*>(esc)->owner; }

    static int read(const kestio_esc_api* esc, uint16_t address, void* out, size_t length)
    {
        session& s = of(esc);
        std::lock_guard lock(s.gate);
        return s.chip && length <= address_space - address && s.chip->read(address, static_cast<uint8_t*>(out), length);
    }
    static int write(const kestio_esc_api* esc, uint16_t address, const void* data, size_t length)
    {
        session& s = of(esc);
        std::lock_guard lock(s.gate);
        return s.chip && length <= address_space - address
            && s.chip->write(address, static_cast<const uint8_t*>(data), length);
    }
    static uint32_t event_request(const kestio_esc_api* esc)
    {
        session& s = of(esc);
        std::lock_guard lock(s.gate);
        return s.chip ? s.chip->event_request() : 0;
    }
    static uint64_t time_ns(const kestio_esc_api* esc)
    {
        return uint64_t(
            std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() - of(esc).power_up)
                .count());
    }
    static void write_log(const kestio_esc_api* esc, const char* line)
    {
        session& s = of(esc);
        std::lock_guard lock(s.gate);
        if (s.in_call && line)
            s.log->write(s.label + ": " + line);
    }

    static void init(void* self)
    {
        session& s = *static_cast<session*>(self);
        s.init_result = s.library->table().init(&s.table.api, &s.context);
    }
    static void run(void* self)
    {
        session& s = *static_cast<session*>(self);
        s.library->table().run(s.context);
    }
    static void shutdown(void* self)
    {
        session& s = *static_cast<session*>(self);
        s.library->table().shutdown(s.context);
    }
};

shared_library_firmware::shared_library_firmware(std::shared_ptr<firmware_library> library, const std::string& name,
                                                 std::shared_ptr<message_log> log, std::chrono::milliseconds call_limit)
    : session_(std::make_shared<session>()),
      thread_(session_),
      call_limit_(call_limit)
{
    session_->table = {{KESTIO_FIRMWARE_ABI_VERSION, session::read, session::write, session::event_request,
                        session::time_ns, session::write_log},
                       session_.get()};
    session_->library = std::move(library);
    session_->log = std::move(log);
    session_->label = "firmware '" + name + "'";
}

shared_library_firmware::~shared_library_firmware()
{
    if (!initialized_ || !failure_.empty() || !session_->library->table().shutdown)
        return;
    set_gate(nullptr, true);
    if (!call(session::shutdown, "shutdown"))
        session_->log->write(failure_);
    set_gate(nullptr, false);
}

void shared_library_firmware::run(pdi& chip)
{
    if (!failure_.empty())
        return;
    set_gate(&chip, true);
    if (!initialized_ && call(session::init, "init")) {
        if (session_->init_result != 0)
            failure_ = session_->label + ": init failed (returned " + std::to_string(session_->init_result) + ")";
        initialized_ = failure_.empty();
    }
    if (failure_.empty())
        call(session::run, "run");
    set_gate(nullptr, false);
}

bool shared_library_firmware::call(void (*job)(void*), const char* what)
{
    if (thread_.call(job, session_.get(), call_limit_))
        return true;
    failure_ = session_->label + ": " + what + " did not return within " + std::to_string(call_limit_.count()) + " ms";
    return false;
}

void shared_library_firmware::set_gate(pdi* chip, bool in_call)
{
    std::lock_guard lock(session_->gate);
    session_->chip = chip;
    session_->in_call = in_call;
}

} // namespace sim
