// Fuzzes the drawing-script reader and the BMP reader with arbitrary bytes:
// neither may crash, hang or leak, whatever the input.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "bmp.h"
#include "vds.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    vds::Script script;
    std::vector<vds::Error> errors;
    vds::read(text, script, &errors);
    for (const auto& c : script.commands) {
        if (c.kind != vds::Command::Devmode && c.kind != vds::Command::ResetDc) continue;
        std::vector<uint8_t> dm = vds::minimalDevmode(u"fuzz");
        vds::applyDevmodeFields(dm, c.fields, nullptr);
    }
    winsim::engine::Image image;
    if (vds::readBmp(text, image, nullptr) && !image.valid()) __builtin_trap();
    return 0;
}
