// The terminal-server query library of the driver set. The driver loads it
// from the printer's driver directory and calls its one entry, which answers
// 1 when the printer is used through a terminal-server session.
//
// The stand-in machine has a single session, so the answer is the machine's
// configuration: the setting "kw00c150.answer" (a number returned as it is,
// so a test can also make it answer 2 or -1) when the machine has one, else 1
// exactly when the machine reports the terminal-services suite.
#include <win/system.h>
#include <winsim/winsim.h>

#include <cstdlib>

#define EXPORT extern "C" __attribute__((visibility("default")))

EXPORT int _IsTSE_WMICOM_VESK_Printer_Driver() {
    const winsim::MachineConfig& cfg = winsim::config();
    if (auto v = cfg.get("kw00c150.answer")) {
        char* end = nullptr;
        long n = std::strtol(v->c_str(), &end, 0);
        if (end && end != v->c_str() && !*end) return static_cast<int>(n);
    }
    return (cfg.osSuite & VER_SUITE_TERMINAL) ? 1 : 0;
}
