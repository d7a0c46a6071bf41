// Opens the console as a game does, then crashes for real in the way named:
// the terminal must be restored and the program die by the signal (or, in a
// sanitizer build, by the sanitizer's report of the fault).
#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform.h"

namespace {

volatile int g_zero = 0;
volatile int g_one = 1;
// Not null: a sanitizer would catch a null store before it faulted.
volatile char* volatile g_unmapped = reinterpret_cast<volatile char*>(16);

// Unchecked, so that a sanitizer build faults for real too.
__attribute__((no_sanitize("undefined"))) int divide(int a, int b) { return a / b; }

[[noreturn]] void busError() {
    // A page of a file that has since been cut short: touching it is SIGBUS.
    char name[] = "/tmp/crash_probe.XXXXXX";
    const int fd = mkstemp(name);
    if (fd < 0 || ftruncate(fd, 4096) != 0) std::abort();
    unlink(name);
    auto* page = static_cast<volatile char*>(mmap(nullptr, 4096, PROT_READ, MAP_SHARED, fd, 0));
    if (page == MAP_FAILED || ftruncate(fd, 0) != 0) std::abort();
    std::printf("%d", page[0]);
    std::abort();
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2 || !consoleOpen(70, 22)) return 2;
    // Draw and poll a little, as a game does before it crashes.
    gotoxy(0, 0);
    putText("Length: crash probe");
    flushOutput();
    keyState(VKEY_ESCAPE);
    sleepMs(200);
    keyState(VKEY_ESCAPE);

    const char* how = argv[1];
    if (std::strcmp(how, "segv") == 0) *g_unmapped = 1;
    if (std::strcmp(how, "fpe") == 0) std::printf("%d", divide(g_one, g_zero));
    if (std::strcmp(how, "overflow") == 0) {
        // A sanitizer reports this and exits; elsewhere it goes unnoticed.
        int* cell = new int[1];
        cell[g_one] = 1;
        delete[] cell;
    }
    if (std::strcmp(how, "abort") == 0) std::abort();
    if (std::strcmp(how, "ill") == 0) __builtin_trap();
    if (std::strcmp(how, "bus") == 0) busError();
    return 3;
}
