#pragma once
#include <mutex>
#include <string>

#include "ecat/adapter.h"

struct pcap;
struct pcap_dumper;

namespace cli {

// Writes every frame the master sends and receives, with timestamps, to a pcap file.
class capture_file : public ecat::frame_tap {
public:
    ~capture_file() override;
    bool open(const std::string& path, std::string& error);
    void close();
    void frame(const uint8_t* data, size_t length, bool sent) override;

private:
    std::mutex mutex_;
    pcap* dead_ = nullptr;
    pcap_dumper* dumper_ = nullptr;
};

} // namespace cli
