#pragma once
#include <cstdint>
#include <random>

namespace sim {

// The bus's only source of chance, so that one seed replays one run exactly.
class random_source {
public:
    explicit random_source(uint64_t seed) : engine_(seed) { }
    uint64_t next() { return engine_(); }
    // Uniform in [0, 1), the same on every standard library.
    double unit() { return double(engine_() >> 11) * 0x1.0p-53; }

private:
    std::mt19937_64 engine_;
};

} // namespace sim
