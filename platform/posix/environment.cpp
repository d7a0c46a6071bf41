#include "environment.h"

#include <langinfo.h>
#include <stdlib.h>

#include <cerrno>
#include <clocale>
#include <cstdlib>
#include <cstring>

bool namesUtf8(const char* name) {
    if (name == nullptr) return false;
    for (const char* p = name; *p != '\0'; p++) {
        const auto lower = [&](std::size_t i) { return static_cast<char>(p[i] | 0x20); };
        if (lower(0) != 'u' || lower(1) != 't' || lower(2) != 'f') continue;
        if (p[3] == '8' || (p[3] == '-' && p[4] == '8')) return true;
    }
    return false;
}

bool localeIsUtf8() {
    // The games never set a locale and run in "C": printf and the rest must
    // stay so. Ask the user's locale this one question and go back.
    char saved[128] = "C";
    if (const char* current = std::setlocale(LC_CTYPE, nullptr)) {
        if (std::strlen(current) < sizeof saved) std::strcpy(saved, current);
    }
    bool utf8 = false;
    if (std::setlocale(LC_CTYPE, "") != nullptr) {
        utf8 = namesUtf8(nl_langinfo(CODESET));
    } else {
        // Not installed here: go by the name that was asked for, as setlocale would have.
        const char* names[] = {"LC_ALL", "LC_CTYPE", "LANG"};
        for (const char* variable : names) {
            const char* value = std::getenv(variable);
            if (value != nullptr && value[0] != '\0') {
                utf8 = namesUtf8(value);
                break;
            }
        }
    }
    std::setlocale(LC_CTYPE, saved);
    return utf8;
}

bool sizeFits(int columns, int rows) {
    if (columns <= 0 || rows <= 0) return true;
    return columns >= NEEDED_COLUMNS && rows >= NEEDED_ROWS;
}

const char* programName() {
#if defined(__GLIBC__)
    return program_invocation_short_name;
#elif defined(__APPLE__) || defined(__FreeBSD__) || defined(__OpenBSD__) || defined(__NetBSD__)
    return getprogname();
#else
    return "the game";
#endif
}
