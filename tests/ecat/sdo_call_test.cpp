// The blocking SDO calls on a master that is not running: every path writes the
// caller's out-parameters.
#include "ecat/sdo_api.h"
#include "support/master_fixture.h"
#include "support/master_test_access.h"

using testsupport::inside;

using namespace ecat;

namespace {

class stopped_master_calls : public testsupport::master_fixture {
protected:
    void SetUp() override
    {
        master_fixture::SetUp();
        inside(*m).slaves.reset(new slave[1]);
        slave_init(inside(*m).slaves[0], inside(*m), 0, 0, 1);
        inside(*m).slave_count = 1;
    }
    void TearDown() override
    {
        inside(*m).slave_count = 0;
        inside(*m).slaves.reset();
        master_fixture::TearDown();
    }
};

TEST_F(stopped_master_calls, a_request_ended_by_the_stop_flag_writes_every_out_parameter)
{
    ASSERT_EQ(inside(*m).stop.load(), 1);
    uint8_t word[2];
    size_t size = 77;
    uint32_t abort_code = 0xDEAD;
    EXPECT_EQ(master_sdo_upload(*m, 0, 0x2000, 0, word, sizeof word, &size, &abort_code), -5);
    EXPECT_EQ(size, 0u);
    EXPECT_EQ(abort_code, 0u);
    EXPECT_TRUE(inside(*m).slaves[0].sdo_requests.empty()) << "withdrawn from the queue";

    abort_code = 0xDEAD;
    EXPECT_EQ(master_sdo_download(*m, 0, 0x2300, 0, word, sizeof word, &abort_code), -5);
    EXPECT_EQ(abort_code, 0u);

    size = 77;
    abort_code = 0xDEAD;
    EXPECT_EQ(master_sdo_upload(*m, 1, 0x2000, 0, word, sizeof word, &size, &abort_code), -22);
    EXPECT_EQ(size, 0u);
    EXPECT_EQ(abort_code, 0u);
}

TEST(sdo_call_limit, covers_the_response_time_and_stays_within_a_few_seconds)
{
    EXPECT_GE(sdo_call_limit_ms(1000, 2), 1000u + 500u);
    EXPECT_LE(sdo_call_limit_ms(1000, 2), sdo_call_limit_max_ms);
    EXPECT_GT(sdo_call_limit_ms(1000, 8192), sdo_call_limit_ms(1000, 2)) << "larger data has more segments";
    EXPECT_EQ(sdo_call_limit_ms(1000, 1u << 20), sdo_call_limit_max_ms);
}

} // namespace
