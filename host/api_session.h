// vesk api PRINTER STEP: the versioned driver API of veskexc.dll as an
// outside application uses it. The session holds the library, loaded from
// the printer's driver directory, and the handle VESKDrvEnable gave; the
// steps bind the entries they call by name.
#pragma once
#include <win/modules.h>

#include <string>

#include "commands.h"

namespace vesk::host {

struct ApiSession {
    Args args;             // the machine, for the host's own driver context
    std::u16string printerWide;
    std::string printer;   // the ANSI name the library was given
    HMODULE module = nullptr;
    void* handle = nullptr;  // VESKDrvEnable's handle

    // The export `name` as a function of type F, null when the library
    // lacks it.
    template <class F>
    F entry(const char* name) const {
        return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    }
};

}  // namespace vesk::host
