#include "sim/bus/slave.h"

#include "sim/description/sii_image.h"
#include "sim/firmware/standard_application.h"

namespace sim {

namespace {
std::unique_ptr<slave_application> make_standard(const slave_description& description, slave_faults& faults)
{
    return std::make_unique<standard_application>(description, faults);
}
} // namespace

slave::slave(slave_description description) : slave(std::move(description), make_standard) { }

slave::slave(slave_description description, const application_factory& make_application)
    : slave(description, build_sii_image(description), make_application)
{
}

slave::slave(slave_description description, std::vector<uint16_t> sii_image,
             const application_factory& make_application)
    : description_(std::make_unique<slave_description>(std::move(description))),
      esc_(std::make_unique<esc>(description_->esc, std::move(sii_image))),
      application_(make_application(*description_, faults_))
{
    run_application();
}

} // namespace sim
