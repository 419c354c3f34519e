// Real or virtual clock. The virtual clock moves only when a test advances it.
#include "sim.h"
#include "clock.h"

#include <chrono>
#include <ctime>

namespace winsim {
namespace {
// 100 ns intervals between 1601-01-01 and 1970-01-01.
constexpr uint64_t kUnixEpochFileTime = 116444736000000000ull;
struct Clock {
    std::mutex lock;
    bool isVirtual = false;
    uint64_t fileTime = 0;
    uint64_t tickMs = 0;  // full width; GetTickCount wraps it to 32 bits
};
Clock& clk() {
    static Clock* c = new Clock;
    return *c;
}
}  // namespace

void setVirtualClock(uint64_t fileTimeUtc, uint32_t tickCount) {
    std::lock_guard g(clk().lock);
    clk().isVirtual = true;
    clk().fileTime = fileTimeUtc;
    clk().tickMs = tickCount;
}

void advanceClock(uint64_t ms) {
    std::lock_guard g(clk().lock);
    clk().fileTime += ms * 10000;
    clk().tickMs += ms;
}

void useRealClock() {
    std::lock_guard g(clk().lock);
    clk().isVirtual = false;
}

uint64_t nowFileTime() {
    {
        std::lock_guard g(clk().lock);
        if (clk().isVirtual) return clk().fileTime;
    }
    auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(
                  std::chrono::system_clock::now().time_since_epoch())
                  .count();
    return kUnixEpochFileTime + static_cast<uint64_t>(ns / 100);
}

uint32_t nowTickCount() { return static_cast<uint32_t>(detail::tickCount64()); }

namespace detail {

uint64_t tickCount64() {
    {
        std::lock_guard g(clk().lock);
        if (clk().isVirtual) return clk().tickMs;
    }
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<uint64_t>(ts.tv_sec) * 1000 + static_cast<uint64_t>(ts.tv_nsec) / 1000000;
}

bool clockIsVirtual() {
    std::lock_guard g(clk().lock);
    return clk().isVirtual;
}

}  // namespace detail

}  // namespace winsim
