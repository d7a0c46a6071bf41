// libFuzzer: any bytes, read in any split and at any pace, leave the parser
// and the key table in a state the polls can use.
#include <cstddef>
#include <cstdint>

#include "keys.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Keys k{};
    k.reportsReleases = size > 0 && (data[0] & 1) != 0;
    KeyClock::time_point now{};
    // The first byte of each chunk says how long it is and how late it comes.
    for (std::size_t i = 0; i < size;) {
        const std::size_t length = data[i] % 8;
        now += std::chrono::milliseconds(data[i] / 8);
        i++;
        const std::size_t n = length < size - i ? length : size - i;
        feedKeys(k, data + i, n, now);
        idleKeys(k, now);
        i += n;
        for (int vk = 0; vk < 256; vk++) pollKey(k, vk);
    }
    if (k.state > 3 || k.paramLength > sizeof k.params || (k.flagsSeen && (k.flags < 0 || k.flags > 31))) {
        __builtin_trap();
    }
    return 0;
}
