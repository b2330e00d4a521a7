#pragma once
#include <iosfwd>
#include <memory>
#include <string>

#include "cli/capture_file.h"
#include "cli/commands.h"
#include "ecat/master.h"
#include "ecat/session.h"

namespace sim {
class bus;
}

namespace cli {

// One master on the chosen adapter or on the in-process simulated bus, from start to clear:
// the run's one owner of the master, made by cli::run and handed to each command.
class session {
public:
    ~session();
    // Starts the master. False with a message on err.
    bool start(const options& opts, std::ostream& err);
    // Waits until the scan has ended and every slave can take requests (or failed).
    // False when that did not happen within timeout_ms.
    [[nodiscard]] bool wait_until_ready(int timeout_ms);
    ecat::master& master() { return master_; }
    sim::bus* simulated_bus() { return bus_.get(); }
    // Stops the master and closes the capture.
    void stop();

private:
    bool choose_adapter(const options& opts, std::ostream& err);

    ecat::master master_;
    std::shared_ptr<sim::bus> bus_;
    capture_file capture_;
    ecat::net_device descriptor_;
    int adapter_index_ = -1;
    bool running_ = false;
};

} // namespace cli
