#include "protocol.h"

#include <csignal>
#include <unistd.h>

namespace {

constexpr unsigned char ESC = 0x1B;
constexpr int NUMBER_LIMIT = 1 << 16; // no flags value is larger; more digits are dropped

} // namespace

std::size_t probeBytes(ReplyProbe& probe, const unsigned char* bytes, std::size_t length,
                       unsigned char* keys) {
    std::size_t n = 0;
    for (std::size_t i = 0; i < length; i++) {
        const unsigned char b = bytes[i];
        if (probe.answered) {
            keys[n++] = b;
            continue;
        }
        switch (probe.state) {
            case ProbeState::Ground:
                if (b == ESC) {
                    probe.state = ProbeState::Escape;
                } else {
                    keys[n++] = b;
                }
                break;
            case ProbeState::Escape:
                if (b == '[') {
                    probe.state = ProbeState::Csi;
                } else if (b == ESC) {
                    keys[n++] = ESC; // the held ESC was the Escape key; hold the new one
                } else {
                    keys[n++] = ESC;
                    keys[n++] = b;
                    probe.state = ProbeState::Ground;
                }
                break;
            case ProbeState::Csi:
                if (b == '?') { // a reply: nothing of it is a key
                    probe.state = ProbeState::Reply;
                    probe.number = 0;
                    probe.inFirst = true;
                    break;
                }
                keys[n++] = ESC;
                keys[n++] = '[';
                if (b == ESC) {
                    probe.state = ProbeState::Escape;
                } else {
                    keys[n++] = b;
                    probe.state = ProbeState::Ground;
                }
                break;
            case ProbeState::Reply:
                if (b >= '0' && b <= '9') {
                    if (probe.inFirst && probe.number < NUMBER_LIMIT) probe.number = probe.number * 10 + (b - '0');
                } else if (b >= 0x20 && b <= 0x3F) {
                    probe.inFirst = false; // ; : or an intermediate: the first parameter is complete
                } else if (b >= 0x40 && b <= 0x7E) {
                    probe.state = ProbeState::Ground;
                    if (b == 'u') {
                        probe.flagsSeen = true;
                        probe.flags = probe.number;
                    } else if (b == 'c') {
                        probe.answered = true;
                    }
                } else if (b == ESC) {
                    probe.state = ProbeState::Escape; // a broken reply, dropped
                } else {
                    keys[n++] = b; // no reply holds a control byte: it is the user's
                    probe.state = ProbeState::Ground;
                }
                break;
        }
    }
    return n;
}

std::size_t probeFinish(ReplyProbe& probe, unsigned char* keys) {
    std::size_t n = 0;
    if (probe.state == ProbeState::Escape || probe.state == ProbeState::Csi) keys[n++] = ESC;
    if (probe.state == ProbeState::Csi) keys[n++] = '[';
    // The tail of an unfinished reply, if it ever comes, is digits, ';' and a
    // final byte: none of them is a key the games poll.
    probe.state = ProbeState::Ground;
    return n;
}

int controlSignal(unsigned char control, const termios& modes) {
    if ((modes.c_lflag & ISIG) == 0) return 0;
    const auto is = [&](int index) {
        const cc_t c = modes.c_cc[index];
        return c != _POSIX_VDISABLE && c == control;
    };
    if (is(VINTR)) return SIGINT;
    if (is(VQUIT)) return SIGQUIT;
    if (is(VSUSP)) return SIGTSTP;
    return 0;
}
