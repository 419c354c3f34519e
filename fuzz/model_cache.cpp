// libFuzzer target of a compiled-model cache file as a new process takes it:
// the copy relocated and checked, and a checked image walked as its readers
// walk it. The input is the file's content; its total-size field is set to
// the input's size, as the loader takes only files whose size matches, so
// every mutation reaches relocation. The seeds are the stored image of a small
// model (options of several types, rules, command lists and fonts) and the
// same image with 48 levels of command lists whose two nodes both name the
// next level (refused at once by the whole-image budget).
#include <cstdint>
#include <vector>

#include "core/model/image.h"

using namespace vesk;

namespace {

// Every list of a checked image ends inside it.
void walk(const MdlImageView& v) {
    uint32_t head = 0;
    v.slot(0, &head);
    MdlListWalk options(v, head, kMdlImgOptionSize);
    uint32_t o;
    while (options.next(&o)) {
    }
    v.slot(kMdlSlotExclusive, &head);
    MdlListWalk rows(v, head, kMdlImgExclusiveSize);
    while (rows.next(&o)) {
    }
    if (options.failed() || rows.failed()) __builtin_trap();
    WCHAR version[kMdlVersionChars + 1];
    MdlImageVersion(v, version);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size <= kMdlHeaderSize) return 0;
    // The image gets its own copy of exactly the input's bytes, so reading
    // one byte past them is caught.
    std::vector<uint8_t> image(data, data + size);
    for (int i = 0; i < 4; ++i) image[kMdlImgTotalSize + i] = static_cast<uint8_t>(size >> (8 * i));
    if (MdlRelocateImage(image.data(), image.size()) && MdlValidateImage(MdlImageView(image.data(), image.size())))
        walk(MdlImageView(image.data(), image.size()));
    return 0;
}
