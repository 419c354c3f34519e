// PNG files of replayed pages.
#pragma once
#include <string>

#include "decode/replay.h"

namespace vesk::host {

// Writes the picture as an 8-bit RGB PNG; false with a reason.
bool writePng(const std::string& path, const decode::Picture& pic, std::string* error);

}  // namespace vesk::host
