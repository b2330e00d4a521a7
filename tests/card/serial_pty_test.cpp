// A card's serial line on a pseudo terminal: the jig's while no program has the terminal
// open, the program's while one has.
#include <fcntl.h>
#include <unistd.h>

#include "serial_fixture.h"

#include "sim/cards/modbus_master.h"
#include "sim/cards/modbus_rtu.h"

namespace cardtest {
namespace {

namespace modbus = sim::cards::modbus;

// The program's end of the terminal.
class program_end {
public:
    explicit program_end(const std::string& path) : fd_(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK)) { }
    ~program_end() { close(); }
    bool is_open() const { return fd_ >= 0; }
    void close()
    {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
    }
    void write(const std::string& bytes) { ASSERT_EQ(::write(fd_, bytes.data(), bytes.size()), ssize_t(bytes.size())); }
    // What has arrived so far (the card's writes reach the terminal at once).
    std::string read()
    {
        char chunk[256];
        ssize_t got = ::read(fd_, chunk, sizeof chunk);
        return got > 0 ? std::string(chunk, size_t(got)) : std::string();
    }

private:
    int fd_;
};

class serial_pty : public serial_jig {
protected:
    void SetUp() override
    {
        make("ZEIO,KOVA-H");
        std::string error;
        ASSERT_TRUE(sim::cards::bind_serial_to_pty(*bus, kova_h, path, error)) << error;
    }
    // Runs the card until it presents a received block, and takes it.
    std::string next_block()
    {
        for (int i = 0; i < 20 && read(kova_h, 0x2601, 1) == 0; ++i)
            frames(1);
        std::string block = presented(kova_h);
        take_block(kova_h);
        return block;
    }

    static constexpr size_t kova_h = 1;
    std::string path;
};

TEST_F(serial_pty, the_line_is_the_jig_loop_back_until_a_program_opens_the_terminal)
{
    stage(kova_h, "looped", 0);
    EXPECT_EQ(next_block(), "looped") << "nobody has the terminal open yet";

    program_end program(path);
    ASSERT_TRUE(program.is_open()) << path;
    stage(kova_h, "to the program", 1);
    EXPECT_EQ(program.read(), "to the program");
    frames(3);
    EXPECT_EQ(read(kova_h, 0x2601, 1), 0u) << "nothing loops back while the program has the line";
    program.write("from the program");
    EXPECT_EQ(next_block(), "from the program");

    // bytes written just before closing still reach the card; then the jig has the line again
    program.write("last words");
    program.close();
    EXPECT_EQ(next_block(), "last words");
    stage(kova_h, "looped again", 2);
    EXPECT_EQ(next_block(), "looped again");
}

TEST_F(serial_pty, a_program_opening_the_terminal_again_gets_nothing_left_from_the_last_one)
{
    program_end first(path);
    stage(kova_h, "never read", 0);
    first.close();
    frames(1);
    program_end second(path);
    stage(kova_h, "fresh", 1);
    EXPECT_EQ(second.read(), "fresh");
}

TEST_F(serial_pty, modbus_requests_go_to_the_jig_slave_or_to_the_program_that_has_the_terminal)
{
    ASSERT_EQ(write(kova_h, 0x2402, 4, 0, 1), 0u);
    ASSERT_EQ(write(kova_h, 0x2402, 1, 10000, 2), 0u); // a reply may take 1 s
    channel(kova_h, 0x3024, 7, 16, 1, 3);              // Rx 4: input register 7 of slave 1
    frames(3);
    EXPECT_EQ(read(kova_h, 0x3024, 1), protocol::modbus_status::done);
    EXPECT_EQ(read(kova_h, 0x2603, 5), sim::cards::modbus_jig_slave::input_register(7));

    program_end program(path);
    std::string request;
    for (int i = 0; i < 20 && request.empty(); ++i) {
        frames(1);
        request = program.read();
    }
    std::vector<uint8_t> expected = modbus::read_request(1, modbus::function::read_input_registers, 7, 1);
    EXPECT_EQ(request, std::string(expected.begin(), expected.end()));
    std::vector<uint8_t> reply = {1, modbus::function::read_input_registers, 2, 0xBE, 0xEF};
    modbus::seal(reply);
    program.write(std::string(reply.begin(), reply.end()));
    frames(2);
    EXPECT_EQ(read(kova_h, 0x2603, 5), 0xBEEFu) << "the program answered, not the jig";
}

} // namespace
} // namespace cardtest
