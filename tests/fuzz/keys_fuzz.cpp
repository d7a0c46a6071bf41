// libFuzzer: any bytes, in any split and at any pace, leave the parser in a
// state it can go on from (and ASan and UBSan silent).
#include "keys.h"

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size) {
    Keys k{};
    KeyClock::time_point now{};
    // Each chunk's first byte says how long it is and how late it comes.
    for (std::size_t i = 0, n = 0; i < size; i += n + 1) {
        n = std::min<std::size_t>(data[i] % 8, size - i - 1);
        now += std::chrono::milliseconds(data[i] / 8);
        feedKeys(k, data + i + 1, n, now);
        timeOutLoneEscape(k, now);
    }
    if (k.paramLength > sizeof k.params || (k.flagsSeen && unsigned(k.flags) > 31)) __builtin_trap();
    return 0;
}
