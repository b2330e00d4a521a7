// The results of the blocking calls that a slave can cause, provoked on the simulated bus.
#include "support/sim_bus_fixture.h"
#include "ecat/result.h"
#include "ecat/sdo_api.h"
#include "sim/description/generic_slaves.h"

using namespace ecat;

namespace {

class result_codes : public testsupport::bus_fixture {
protected:
    void SetUp() override
    {
        bus->add_slave(sim::generic_coe_slave(1));
        bus->add_slave(sim::slave_without_mailbox(2));
        start();
        ASSERT_TRUE(wait_ready(2));
    }
};

TEST_F(result_codes, a_mailbox_error_reply_fails_with_minus_71_and_hands_out_its_code)
{
    uint8_t word[2] = {};
    size_t size = 9;
    uint32_t abort_code = 1;
    uint16_t mailbox_error_code = 0;
    bus->inject_mailbox_errors(0, 1, 0x0005);
    EXPECT_EQ(master_sdo_upload(*m, 0, 0x5000, 2, word, 2, &size, &abort_code, &mailbox_error_code),
              result::mailbox_error);
    EXPECT_EQ(mailbox_error_code, 0x0005);
    EXPECT_EQ(size, 0u);
    EXPECT_EQ(abort_code, 0u);

    bus->inject_mailbox_errors(0, 1, 0x0002);
    EXPECT_EQ(master_sdo_download(*m, 0, 0x5000, 2, word, 2, &abort_code, &mailbox_error_code), result::mailbox_error);
    EXPECT_EQ(mailbox_error_code, 0x0002);

    // the next transfer works, and its code is cleared
    EXPECT_EQ(master_sdo_upload(*m, 0, 0x5000, 2, word, 2, &size, &abort_code, &mailbox_error_code), result::ok);
    EXPECT_EQ(mailbox_error_code, 0u);
}

TEST_F(result_codes, a_slave_without_coe_fails_with_minus_123)
{
    uint8_t word[2] = {};
    size_t size = 0;
    EXPECT_EQ(master_sdo_upload(*m, 1, 0x5000, 2, word, 2, &size, nullptr), result::no_coe);
    EXPECT_EQ(master_sdo_download(*m, 1, 0x5000, 2, word, 2, nullptr), result::no_coe);
}

} // namespace
