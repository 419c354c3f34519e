// Call journal and failure injection.
#include "sim.h"

#include <atomic>
#include <cstdint>
#include <map>
#include <vector>

namespace winsim {
namespace {
struct Fault {
    size_t countdown;  // calls left before the first failing one
    size_t repeat;     // failing calls after the first
    DWORD error;
};
struct State {
    std::mutex lock;
    std::atomic<bool> journalOn{false};
    std::atomic<bool> anyFault{false};
    std::vector<JournalEntry> entries;
    std::map<std::string, Fault, std::less<>> faults;
};
State& state() {
    static State* s = new State;
    return *s;
}
}  // namespace

namespace detail {
std::atomic<bool> g_watchingCalls{false};
}  // namespace detail

namespace {
// Under the state's lock, after either flag changed.
void refreshWatching(State& s) { detail::g_watchingCalls.store(s.journalOn || s.anyFault); }
}  // namespace

void journalEnable(bool on) {
    auto& s = state();
    std::lock_guard g(s.lock);
    s.journalOn = on;
    refreshWatching(s);
}

std::vector<JournalEntry> journal() {
    std::lock_guard g(state().lock);
    return state().entries;
}

void journalClear() {
    std::lock_guard g(state().lock);
    state().entries.clear();
}

size_t journalCount(std::string_view function) {
    std::lock_guard g(state().lock);
    size_t n = 0;
    for (const auto& e : state().entries) n += e.function == function;
    return n;
}

void failCall(std::string_view function, size_t nth, DWORD lastError, size_t count) {
    auto& s = state();
    std::lock_guard g(s.lock);
    s.faults[std::string(function)] = Fault{nth == 0 ? 0 : nth - 1, count, lastError};
    s.anyFault = true;
    refreshWatching(s);
}

void clearFaults() {
    auto& s = state();
    std::lock_guard g(s.lock);
    s.faults.clear();
    s.anyFault = false;
    refreshWatching(s);
}

namespace detail {
bool journalling() { return state().journalOn.load(std::memory_order_relaxed); }

bool enterWatched(const char* function, std::string_view detail) {
    auto& s = state();
    if (!s.journalOn && !s.anyFault) return false;
    std::lock_guard g(s.lock);
    if (s.journalOn) s.entries.push_back({function, std::string(detail)});
    if (!s.anyFault) return false;
    auto it = s.faults.find(std::string_view(function));
    if (it == s.faults.end()) return false;
    Fault& f = it->second;
    if (f.countdown > 0) {
        --f.countdown;
        return false;
    }
    DWORD err = f.error;
    if (f.repeat == 0) {
        s.faults.erase(it);
        if (s.faults.empty()) {
            s.anyFault = false;
            refreshWatching(s);
        }
    } else if (f.repeat != SIZE_MAX) {
        --f.repeat;
    }
    setError(err);
    return true;
}
}  // namespace detail
}  // namespace winsim
