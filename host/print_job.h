// A drawing script printed as a job of a printer: the host is the
// application (the script), the spooler (the job it starts on the printer
// and the spool file the job's bytes go to) and the graphics engine (the
// driver's function table, in vector or banding mode as the driver's surface
// says).
#pragma once
#include <win/types.h>
#include <winsim/engine.h>

#include <filesystem>
#include <string>
#include <vector>

#include "vds.h"

namespace vesk::host {

struct PrintJobResult {
    bool ok = false;
    std::string error;         // why the job stopped
    DWORD jobId = 0;           // the spooler's job (0 when none was started)
    size_t pages = 0;
    size_t failedDraws = 0;    // operations neither the driver nor the engine could do
    std::vector<std::string> log;  // the engine's calls, fallbacks and errors
};

// Plays `script` into the driver as a job of `printer` (files the script
// names are found from `baseDir`).
PrintJobResult PrintScript(const vds::Script& script, const std::u16string& printer,
                           const winsim::engine::DriverTable& driver, const std::filesystem::path& baseDir);

}  // namespace vesk::host
