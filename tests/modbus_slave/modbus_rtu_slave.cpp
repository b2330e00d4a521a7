// A Modbus RTU slave built on libmodbus, so that the card's Modbus master is checked against
// frame code that no one here wrote. It answers on a serial device (a simulated card's pseudo
// terminal) from a map of 256 coils, discrete inputs, holding registers and input registers,
// and takes one command per line on standard input, answering each with one line:
//   set  coil|input|holding|input_register ADDRESS VALUE   16-bit registers, 0/1 bits
//   set32 holding|input_register ADDRESS VALUE             two registers, libmodbus's word order
//   setbits coil|input ADDRESS COUNT VALUE                 bit i of VALUE to ADDRESS+i
//   get, get32, getbits: as the set commands, without the value
//   requests                                               requests answered so far
// It prints "ready" once the device is open, and ends at the end of its input.
//   modbus_rtu_slave DEVICE [SLAVE_ID]
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <sstream>
#include <string>
#include <unistd.h>

#include <modbus.h>

namespace {

constexpr int map_size = 256;

struct slave {
    modbus_t* context = nullptr;
    modbus_mapping_t* map = nullptr;
    unsigned long requests = 0;
};

// The table a command names, as bits or as registers; null for another name.
uint8_t* bit_table(modbus_mapping_t* map, const std::string& name)
{
    return name == "coil" ? map->tab_bits : name == "input" ? map->tab_input_bits : nullptr;
}

uint16_t* register_table(modbus_mapping_t* map, const std::string& name)
{
    return name == "holding" ? map->tab_registers : name == "input_register" ? map->tab_input_registers : nullptr;
}

std::string run_command(slave& s, const std::string& line)
{
    std::istringstream in(line);
    std::string command, table;
    long long address = -1, count = 0, value = 0;
    in >> command;
    if (command == "requests")
        return std::to_string(s.requests);
    in >> table >> address;
    if (command == "setbits" || command == "getbits")
        in >> count;
    bool setting = command.rfind("set", 0) == 0;
    if (setting)
        in >> value;
    if (in.fail() || address < 0)
        return "error: " + line;
    unsigned width = command.find("32") != std::string::npos ? 2 : 1;
    if (command == "set" || command == "get" || command == "set32" || command == "get32") {
        uint16_t* registers = register_table(s.map, table);
        uint8_t* bits = bit_table(s.map, table);
        if (address + width > map_size || (!registers && (!bits || width != 1)))
            return "error: " + line;
        if (bits) {
            if (setting)
                bits[address] = value ? 1 : 0;
            return std::to_string(bits[address]);
        }
        if (setting && width == 2)
            MODBUS_SET_INT32_TO_INT16(registers, address, uint32_t(value));
        else if (setting)
            registers[address] = uint16_t(value);
        return std::to_string(width == 2 ? uint32_t(MODBUS_GET_INT32_FROM_INT16(registers, address))
                                         : registers[address]);
    }
    uint8_t* bits = bit_table(s.map, table);
    if (!bits || count < 1 || count > 32 || address + count > map_size)
        return "error: " + line;
    if (command == "setbits") {
        uint8_t bytes[4] = {uint8_t(value), uint8_t(value >> 8), uint8_t(value >> 16), uint8_t(value >> 24)};
        modbus_set_bits_from_bytes(bits, int(address), unsigned(count), bytes);
    } else if (command != "getbits") {
        return "error: " + line;
    }
    uint32_t read = 0;
    for (int byte = 0; byte * 8 < count; ++byte) {
        unsigned in_byte = unsigned(count - byte * 8 < 8 ? count - byte * 8 : 8);
        read |= uint32_t(modbus_get_byte_from_bits(bits, int(address) + byte * 8, in_byte)) << (8 * byte);
    }
    return std::to_string(read);
}

// Answers one request; false when the line is gone.
bool serve(slave& s)
{
    uint8_t query[MODBUS_RTU_MAX_ADU_LENGTH];
    int length = modbus_receive(s.context, query);
    if (length > 0) {
        ++s.requests;
        modbus_reply(s.context, query, length, s.map);
        return true;
    }
    if (length == 0) // for another slave id
        return true;
    if (errno == EIO || errno == EBADF || errno == ECONNRESET)
        return false;
    modbus_flush(s.context); // a broken frame: start afresh with the next one
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: modbus_rtu_slave DEVICE [SLAVE_ID]\n");
        return 2;
    }
    slave s;
    s.context = modbus_new_rtu(argv[1], 115200, 'N', 8, 1);
    int id = argc > 2 ? std::atoi(argv[2]) : 1;
    if (!s.context || modbus_set_slave(s.context, id) != 0 || modbus_connect(s.context) != 0) {
        std::fprintf(stderr, "modbus_rtu_slave: %s: %s\n", argv[1], modbus_strerror(errno));
        return 1;
    }
    modbus_flush(s.context);
    s.map = modbus_mapping_new(map_size, map_size, map_size, map_size);
    std::printf("ready\n");
    std::fflush(stdout);

    std::string pending;
    pollfd watched[2] = {{modbus_get_socket(s.context), POLLIN, 0}, {STDIN_FILENO, POLLIN, 0}};
    for (;;) {
        if (::poll(watched, 2, -1) < 0 && errno != EINTR)
            break;
        if ((watched[0].revents & POLLIN) && !serve(s))
            break;
        if (watched[1].revents & (POLLIN | POLLHUP)) {
            char chunk[256];
            ssize_t got = ::read(STDIN_FILENO, chunk, sizeof chunk);
            if (got <= 0)
                break;
            pending.append(chunk, size_t(got));
            for (size_t end; (end = pending.find('\n')) != std::string::npos; pending.erase(0, end + 1)) {
                std::printf("%s\n", run_command(s, pending.substr(0, end)).c_str());
                std::fflush(stdout);
            }
        }
    }
    modbus_mapping_free(s.map);
    modbus_close(s.context);
    modbus_free(s.context);
    return 0;
}
