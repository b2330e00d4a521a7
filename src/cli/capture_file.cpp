#include "cli/capture_file.h"

#include <pcap/pcap.h>
#include <sys/time.h>

namespace cli {

capture_file::~capture_file()
{
    close();
}

bool capture_file::open(const std::string& path, std::string& error)
{
    close();
    dead_ = pcap_open_dead(DLT_EN10MB, 65536);
    if (!dead_) {
        error = "cannot prepare a capture";
        return false;
    }
    dumper_ = pcap_dump_open(dead_, path.c_str());
    if (!dumper_) {
        error = pcap_geterr(dead_);
        pcap_close(dead_);
        dead_ = nullptr;
        return false;
    }
    return true;
}

void capture_file::close()
{
    std::lock_guard lock(mutex_);
    if (dumper_)
        pcap_dump_close(dumper_);
    if (dead_)
        pcap_close(dead_);
    dumper_ = nullptr;
    dead_ = nullptr;
}

void capture_file::frame(const uint8_t* data, size_t length, bool)
{
    std::lock_guard lock(mutex_);
    if (!dumper_)
        return;
    pcap_pkthdr header{};
    gettimeofday(&header.ts, nullptr);
    header.caplen = header.len = static_cast<bpf_u_int32>(length);
    pcap_dump(reinterpret_cast<u_char*>(dumper_), &header, data);
}

} // namespace cli
