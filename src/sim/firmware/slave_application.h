#pragma once
#include <string_view>

#include "sim/chip/pdi.h"

namespace sim {

// The firmware of a slave: it owns the AL state decisions and whatever the slave does, and
// reaches its ESC only through the PDI. The bus calls run() once at power-up and after every
// frame that passed the slave, as a microcontroller's main loop would poll its chip.
class slave_application {
public:
    virtual ~slave_application() = default;
    virtual void run(pdi& chip) = 0;
    // Why the firmware has stopped for good, naming it; empty while it works. The bus
    // unplugs a slave whose firmware has stopped.
    virtual std::string_view failure() const { return {}; }
};

} // namespace sim
