// vesk printer caps (the application's path), properties, convert, event,
// upgrade and query: the printer's interface library as the spooler and an
// application reach it.
#pragma once
#include <string>
#include <utility>
#include <vector>

#include "commands.h"

namespace vesk::host {

// The DeviceCapabilitiesW answers of `indices` (every index when empty),
// each decoded, with the application's DEVMODE changed by `fields`.
int CapsThroughApplication(const Args& args, const std::string& printer, const std::vector<int>& indices,
                           const std::vector<std::pair<std::string, std::string>>& fields);

}  // namespace vesk::host
