#pragma once

#include <QtGlobal>

#include <array>
#include <cstdint>
#include <span>

namespace levy {

// Our own generator and draws: the standard distributions give different sequences in
// different libraries, and generated databases must not change with the toolchain.
class SeededRandom {
public:
    explicit SeededRandom(uint64_t seed) : state_(seed) {}
    uint32_t Next()
    {
        state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
        return uint32_t(state_ >> 32);
    }
    // 0 to n - 1.
    int Below(qsizetype n) { return int((uint64_t(Next()) * uint64_t(n)) >> 32); }
    int Between(int low, int high) { return low + Below(high - low + 1); }
    bool Percent(int p) { return Below(100) < p; }
    template <typename T>
    const T& Pick(std::span<const T> items)
    {
        return items[size_t(Below(qsizetype(items.size())))];
    }
    template <typename T, size_t N>
    const T& Pick(const std::array<T, N>& items)
    {
        return Pick(std::span<const T>(items));
    }

private:
    uint64_t state_;
};

} // namespace levy
