#pragma once
#include <functional>
#include <memory>

#include "sim/chip/esc.h"
#include "sim/firmware/slave_application.h"
#include "sim/description/slave_description.h"
#include "sim/firmware/slave_faults.h"

namespace sim {

// One simulated slave: its ESC, built from the description's chip and SII image, and the
// firmware that runs on it.
class slave {
public:
    // A slave running the standard firmware.
    explicit slave(slave_description description);
    // A slave running other firmware, made from the description, the faults and the ESC.
    using application_factory =
        std::function<std::unique_ptr<slave_application>(const slave_description&, slave_faults&)>;
    slave(slave_description description, const application_factory& make_application);
    // A slave with an SII image of its own (e.g. read from a file) instead of one built from the
    // description.
    slave(slave_description description, std::vector<uint16_t> sii_image, const application_factory& make_application);

    const slave_description& description() const { return *description_; }
    esc& controller() { return *esc_; }
    slave_application& application() { return *application_; }
    slave_faults& faults() { return faults_; }
    void run_application() { application_->run(*esc_); }

private:
    std::unique_ptr<slave_description> description_;
    slave_faults faults_;
    std::unique_ptr<esc> esc_;
    std::unique_ptr<slave_application> application_;
};

} // namespace sim
