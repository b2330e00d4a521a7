#pragma once
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "ecat/adapter.h"

namespace cli {

// Writes every frame the master sends and receives to a pcapng file. Each packet carries
// its direction, so a reader tells the master's frames from the replies even where both
// carry the same source address; the header names the tool and the adapter.
class capture_file : public ecat::frame_tap {
public:
    ~capture_file() override;
    // limit_bytes 0: no limit. Past the limit no packet is written and stopped() is told
    // once, from the thread that tapped the frame.
    bool open(const std::string& path, const std::string& adapter, uint64_t limit_bytes,
              std::function<void(const std::string&)> stopped, std::string& error);
    void close();
    void frame(const uint8_t* data, size_t length, bool sent) override;
    uint64_t bytes_written() const { return written_; }

private:
    bool write_block(const std::vector<uint8_t>& block);

    std::mutex mutex_;
    std::FILE* file_ = nullptr;
    uint64_t limit_ = 0;
    std::atomic<uint64_t> written_{0};
    bool limit_reached_ = false;
    std::function<void(const std::string&)> stopped_;
};

} // namespace cli
