// Bytes that no reader can take for anything: a xorshift stream, the same for the same seed.
#pragma once
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

namespace testing_support {

inline std::string noise_bytes(size_t size, uint64_t seed)
{
    std::string noise(size, '\0');
    uint64_t x = seed ? seed : 1;
    for (size_t i = 0; i < size; i += 8) {
        x ^= x << 13;
        x ^= x >> 7;
        x ^= x << 17;
        std::memcpy(&noise[i], &x, std::min<size_t>(8, size - i));
    }
    return noise;
}

}  // namespace testing_support
