#pragma once
#include <memory>

#include "app/app_objects.h"
#include "app/app_options.h"

namespace sim {
class bus;
}

// The process: start-up checks, then the main window, modally.
class CKestIO_TestApp {
public:
    CKestIO_TestApp(app_options options, app_objects& objects);
    ~CKestIO_TestApp();

    // Refuses to start without packet capture (unless only the simulated bus is wanted)
    // or beside a running instance, and otherwise runs the main window until it closes.
    // Returns the process's exit code.
    int run();

    // The name that marks a running instance, for all users.
    static constexpr const char* instance_marker_name = "__DORVAN_TQR_ECAT_EVENT__";

private:
    app_options options_;
    app_objects& objects_;
    std::shared_ptr<sim::bus> simulated_bus_;
};
