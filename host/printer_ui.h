// vesk printer caps (the application's path), properties, convert, event,
// upgrade and query: the printer's interface library as the spooler and an
// application reach it.
#pragma once
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "commands.h"

namespace vesk::host {

// The DeviceCapabilitiesW answers of `indices` (every index when empty),
// each decoded, with the application's DEVMODE changed by `fields`.
int CapsThroughApplication(const Args& args, const std::string& printer, const std::vector<int>& indices,
                           const std::vector<std::pair<std::string, std::string>>& fields);

// A DEVMODE's public fields one a line, and the private part's signature.
void PrintDevmodePublic(const std::vector<uint8_t>& dm);

}  // namespace vesk::host
