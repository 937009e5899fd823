#include "FileHandler/Syntax/TemporaryFiles.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <pthread.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <mutex>
#include <random>

namespace FileTools {

namespace {

// A slot is Free, being filled or emptied (Busy: the handler leaves it alone), or holds
// the name of a file that exists (Held).
enum SlotState : int { Free, Busy, Held };

constexpr std::size_t kSlots = 64;
constexpr std::size_t kPathCapacity = 4096;

struct Slot {
    std::atomic<int> state{Free};
    std::array<char, kPathCapacity> path{};
};

std::array<Slot, kSlots> registry;

constexpr std::array<int, 3> kCleanUpSignals = {SIGINT, SIGTERM, SIGHUP};

// The handlers in place before the clean-up handler, one per clean-up signal. Written only
// while the clean-up handler is not installed for that signal (under `installing`), read by
// the handler.
std::array<struct sigaction, kCleanUpSignals.size()> replaced{};
std::array<bool, kCleanUpSignals.size()> installedFor{};
std::mutex installing;
std::size_t heldFiles = 0;  // guarded by `installing`

std::size_t SignalIndex(int signal) {
    return static_cast<std::size_t>(
        std::find(kCleanUpSignals.begin(), kCleanUpSignals.end(), signal) -
        kCleanUpSignals.begin());
}

// A process whose own handler was in place goes on after the signal (an interpreter raises
// its KeyboardInterrupt, a trainer stops after the epoch): the writers still own their files
// and rename or remove them. Only where the signal would end the process are the files
// removed here first.
extern "C" void RemoveTemporaryFilesAndRaise(int signal, siginfo_t* info, void* context) {
    const struct sigaction& before = replaced[SignalIndex(signal)];
    if ((before.sa_flags & SA_SIGINFO) != 0) {
        before.sa_sigaction(signal, info, context);
        return;
    }
    if (before.sa_handler != SIG_DFL && before.sa_handler != SIG_IGN) {
        before.sa_handler(signal);
        return;
    }
    for (Slot& slot : registry) {
        if (slot.state.load() == Held) {
            unlink(slot.path.data());
        }
    }
    struct sigaction usual {};
    usual.sa_handler = SIG_DFL;
    sigemptyset(&usual.sa_mask);
    sigaction(signal, &usual, nullptr);
    raise(signal);
}

bool IsCleanUp(const struct sigaction& action) {
    return (action.sa_flags & SA_SIGINFO) != 0 &&
           action.sa_sigaction == RemoveTemporaryFilesAndRaise;
}

// Signals set to be ignored (as nohup does) stay ignored. The handler takes over the flags
// that matter to the one before it, so that an interrupted system call fails or restarts as
// it did.
void InstallCleanUp() {
    for (std::size_t i = 0; i < kCleanUpSignals.size(); ++i) {
        struct sigaction current {};
        sigaction(kCleanUpSignals[i], nullptr, &current);
        if (current.sa_handler == SIG_IGN) {
            continue;
        }
        // Put back by someone who had replaced it: what it replaced is still known.
        if (IsCleanUp(current)) {
            installedFor[i] = true;
            continue;
        }
        replaced[i] = current;
        std::atomic_signal_fence(std::memory_order_release);
        struct sigaction cleanUp {};
        cleanUp.sa_sigaction = RemoveTemporaryFilesAndRaise;
        cleanUp.sa_flags = SA_SIGINFO | (current.sa_flags & (SA_RESTART | SA_ONSTACK));
        cleanUp.sa_mask = current.sa_mask;
        for (const int other : kCleanUpSignals) {
            sigaddset(&cleanUp.sa_mask, other);
        }
        sigaction(kCleanUpSignals[i], &cleanUp, nullptr);
        installedFor[i] = true;
    }
}

// A handler someone put in place meanwhile stays.
void RestoreReplaced() {
    for (std::size_t i = 0; i < kCleanUpSignals.size(); ++i) {
        struct sigaction current {};
        sigaction(kCleanUpSignals[i], nullptr, &current);
        if (installedFor[i] && IsCleanUp(current)) {
            sigaction(kCleanUpSignals[i], &replaced[i], nullptr);
        }
        installedFor[i] = false;
    }
}

void IgnoreFileSizeSignal() {
    static std::once_flag ignored;
    std::call_once(ignored, [] {
        struct sigaction ignore {};
        ignore.sa_handler = SIG_IGN;
        sigemptyset(&ignore.sa_mask);
        sigaction(SIGXFSZ, &ignore, nullptr);
    });
}

void Remember(const std::string& path) {
    static_assert(std::atomic<int>::is_always_lock_free);
    if (path.size() >= kPathCapacity) {
        return;  // beyond any path the system accepts; the file could not exist
    }
    for (Slot& slot : registry) {
        int expected = Free;
        if (slot.state.compare_exchange_strong(expected, Busy)) {
            std::memcpy(slot.path.data(), path.c_str(), path.size() + 1);
            slot.state.store(Held);
            const std::lock_guard<std::mutex> guard(installing);
            if (heldFiles++ == 0) {
                InstallCleanUp();
            }
            return;
        }
    }
}

// Different in every call and every process: a counter mixed into a start drawn from the
// system's random source, the clock and the process number.
unsigned long long NextRandom() {
    static const unsigned long long start = [] {
        unsigned long long seed = static_cast<unsigned long long>(
            std::chrono::steady_clock::now().time_since_epoch().count());
        seed ^= static_cast<unsigned long long>(getpid()) << 32;
        try {
            std::random_device device;
            seed ^= (static_cast<unsigned long long>(device()) << 32) ^ device();
        } catch (...) {
            // The clock and the process number stay; names remain unique by O_EXCL.
        }
        return seed;
    }();
    static std::atomic<unsigned long long> counter{0};
    // splitmix64: consecutive counts give unrelated names.
    unsigned long long z = start + 0x9E3779B97F4A7C15ULL * (counter.fetch_add(1) + 1);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

// Attempts before giving up: with 64 random bits a clash is a matter of files left by
// someone guessing names, never of chance.
constexpr int kCreateAttempts = 1000;

}  // namespace

std::string TemporaryNameFor(const std::string& target, unsigned long long random) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string suffix = ".tmp";
    for (int shift = 60; shift >= 0; shift -= 4) {
        suffix += kHex[(random >> shift) & 0xF];
    }
    const std::size_t slash = target.rfind('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const std::size_t room = kMaxFileNameLength - suffix.size();
    const std::size_t nameLength = std::min(target.size() - nameStart, room);
    return target.substr(0, nameStart + nameLength) + suffix;
}

int CreateTemporaryFile(const std::string& target, unsigned mode, std::string& path) {
    IgnoreFileSizeSignal();
    for (int attempt = 0; attempt < kCreateAttempts; ++attempt) {
        path = TemporaryNameFor(target, NextRandom());
        // No signal between creating the file and registering it: it would stay behind.
        sigset_t cleanUpSignals;
        sigset_t previous;
        sigemptyset(&cleanUpSignals);
        for (const int signal : kCleanUpSignals) {
            sigaddset(&cleanUpSignals, signal);
        }
        pthread_sigmask(SIG_BLOCK, &cleanUpSignals, &previous);
        const int descriptor =
            open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, static_cast<mode_t>(mode));
        const int reason = errno;
        if (descriptor >= 0) {
            Remember(path);
        }
        pthread_sigmask(SIG_SETMASK, &previous, nullptr);
        if (descriptor >= 0) {
            return descriptor;
        }
        errno = reason;
        if (reason != EEXIST) {
            break;
        }
    }
    path.clear();
    return -1;
}

void ForgetTemporaryFile(const std::string& path) {
    for (Slot& slot : registry) {
        int expected = Held;
        if (slot.state.load() == Held && std::strcmp(slot.path.data(), path.c_str()) == 0 &&
            slot.state.compare_exchange_strong(expected, Busy)) {
            slot.state.store(Free);
            const std::lock_guard<std::mutex> guard(installing);
            if (--heldFiles == 0) {
                RestoreReplaced();
            }
            return;
        }
    }
}

}  // namespace FileTools
