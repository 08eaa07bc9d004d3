// The held temporary files and the signal handler that removes them.
//
// The handler may only call async-signal-safe functions, so the paths live in
// fixed slots with an atomic state each: a slot is claimed (free -> filling),
// filled, then published (held); the handler unlinks published slots only.
#include "station/pending_files.hpp"

#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstring>
#include <mutex>

namespace quilbet {
namespace {

constexpr int slot_count = 64;
constexpr size_t path_bytes = 4096;

enum SlotState : int { slot_free, slot_filling, slot_held };

struct Slot {
    std::atomic<int> state{slot_free};
    char path[path_bytes];
};

Slot slots[slot_count];

void remove_held_and_reraise(int sig) {
    for (Slot& s : slots) {
        if (s.state.load() == slot_held) unlink(s.path);
    }
    // SA_RESETHAND put the default action back; the signal is delivered on return.
    raise(sig);
}

void install_handlers() {
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction old {};
        if (sigaction(sig, nullptr, &old) != 0 || (old.sa_flags & SA_SIGINFO) != 0 || old.sa_handler != SIG_DFL) continue;
        struct sigaction act {};
        act.sa_handler = remove_held_and_reraise;
        sigemptyset(&act.sa_mask);
        act.sa_flags = SA_RESETHAND;
        sigaction(sig, &act, nullptr);
    }
}

}  // namespace

bool hold_pending_file(const std::string& path) {
    static std::once_flag installed;
    std::call_once(installed, install_handlers);
    if (path.size() >= path_bytes) return false;
    for (Slot& s : slots) {
        int expected = slot_free;
        if (!s.state.compare_exchange_strong(expected, slot_filling)) continue;
        std::memcpy(s.path, path.c_str(), path.size() + 1);
        s.state.store(slot_held);
        return true;
    }
    return false;
}

void release_pending_file(const std::string& path) {
    for (Slot& s : slots) {
        if (s.state.load() == slot_held && path == s.path) {
            int expected = slot_held;
            if (s.state.compare_exchange_strong(expected, slot_free)) return;
        }
    }
}

}  // namespace quilbet
