#include "cli/capture_file.h"

#include <chrono>
#include <cstring>

namespace cli {

namespace {

constexpr uint32_t section_header_block = 0x0A0D0D0A;
constexpr uint32_t interface_description_block = 0x00000001;
constexpr uint32_t enhanced_packet_block = 0x00000006;
constexpr uint32_t byte_order_magic = 0x1A2B3C4D;
constexpr uint16_t link_type_ethernet = 1;
constexpr uint32_t snap_length = 65536;

constexpr uint16_t opt_end = 0;
constexpr uint16_t shb_os = 3;
constexpr uint16_t shb_userappl = 4;
constexpr uint16_t if_name = 2;
constexpr uint16_t if_tsresol = 9;
constexpr uint16_t epb_flags = 2;
constexpr uint32_t direction_inbound = 1;
constexpr uint32_t direction_outbound = 2;

// Little-endian field writers over a growing block; the writer's host byte order is
// recorded by the magic, and we always write little-endian.
struct block_writer {
    std::vector<uint8_t> bytes;

    void u16(uint16_t v) { bytes.insert(bytes.end(), {uint8_t(v), uint8_t(v >> 8)}); }
    void u32(uint32_t v) { u16(uint16_t(v)), u16(uint16_t(v >> 16)); }
    void data(const void* p, size_t n)
    {
        auto* b = static_cast<const uint8_t*>(p);
        bytes.insert(bytes.end(), b, b + n);
    }
    void pad() { bytes.resize((bytes.size() + 3) & ~size_t(3), 0); }
    void option(uint16_t code, const void* value, uint16_t length)
    {
        u16(code);
        u16(length);
        data(value, length);
        pad();
    }
    void option(uint16_t code, const std::string& text) { option(code, text.data(), uint16_t(text.size())); }
    void end_options() { u16(opt_end), u16(0); }
    // Frames the body with its type and the total length at both ends.
    std::vector<uint8_t> finish(uint32_t type)
    {
        block_writer whole;
        uint32_t total = uint32_t(bytes.size() + 12);
        whole.u32(type);
        whole.u32(total);
        whole.data(bytes.data(), bytes.size());
        whole.u32(total);
        return std::move(whole.bytes);
    }
};

std::vector<uint8_t> section_header()
{
    block_writer b;
    b.u32(byte_order_magic);
    b.u16(1);
    b.u16(0);
    b.u32(0xFFFFFFFF); // section length not known
    b.u32(0xFFFFFFFF);
    b.option(shb_os, std::string("Linux"));
    b.option(shb_userappl, std::string("kestio-cli (KestIO_Test EtherCAT master)"));
    b.end_options();
    return b.finish(section_header_block);
}

std::vector<uint8_t> interface_description(const std::string& adapter)
{
    block_writer b;
    b.u16(link_type_ethernet);
    b.u16(0);
    b.u32(snap_length);
    b.option(if_name, adapter);
    uint8_t nanoseconds = 9;
    b.option(if_tsresol, &nanoseconds, 1);
    b.end_options();
    return b.finish(interface_description_block);
}

std::vector<uint8_t> enhanced_packet(const uint8_t* data, size_t length, bool sent)
{
    uint64_t ns = uint64_t(
        std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::system_clock::now().time_since_epoch())
            .count());
    size_t captured = length < snap_length ? length : snap_length;
    block_writer b;
    b.u32(0); // the one interface
    b.u32(uint32_t(ns >> 32));
    b.u32(uint32_t(ns));
    b.u32(uint32_t(captured));
    b.u32(uint32_t(length));
    b.data(data, captured);
    b.pad();
    uint32_t flags = sent ? direction_outbound : direction_inbound;
    uint8_t flag_bytes[4] = {uint8_t(flags), uint8_t(flags >> 8), uint8_t(flags >> 16), uint8_t(flags >> 24)};
    b.option(epb_flags, flag_bytes, 4);
    b.end_options();
    return b.finish(enhanced_packet_block);
}

} // namespace

capture_file::~capture_file()
{
    close();
}

bool capture_file::open(const std::string& path, const std::string& adapter, uint64_t limit_bytes,
                        std::function<void(const std::string&)> stopped, std::string& error)
{
    close();
    std::lock_guard lock(mutex_);
    file_ = std::fopen(path.c_str(), "wb");
    if (!file_) {
        error = path + ": " + std::strerror(errno);
        return false;
    }
    limit_ = limit_bytes;
    limit_reached_ = false;
    written_ = 0;
    stopped_ = std::move(stopped);
    if (!write_block(section_header()) || !write_block(interface_description(adapter))) {
        error = path + ": " + std::strerror(errno);
        std::fclose(file_);
        file_ = nullptr;
        return false;
    }
    return true;
}

void capture_file::close()
{
    std::lock_guard lock(mutex_);
    if (file_)
        std::fclose(file_);
    file_ = nullptr;
}

void capture_file::frame(const uint8_t* data, size_t length, bool sent)
{
    std::lock_guard lock(mutex_);
    if (!file_ || limit_reached_)
        return;
    std::vector<uint8_t> block = enhanced_packet(data, length, sent);
    if (limit_ && written_ + block.size() > limit_) {
        limit_reached_ = true;
        std::fflush(file_);
        if (stopped_)
            stopped_("capture stopped at " + std::to_string(written_.load())
                     + " bytes: the --capture-limit was reached");
        return;
    }
    write_block(block);
}

bool capture_file::write_block(const std::vector<uint8_t>& block)
{
    if (std::fwrite(block.data(), 1, block.size(), file_) != block.size())
        return false;
    written_ += block.size();
    return true;
}

} // namespace cli
