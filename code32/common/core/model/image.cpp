// Compiled model image: compiling a description into one, the image's
// FileVersion, and its memory.
#include "core/model/image.h"

#include <win/memory.h>

#include <cstring>
#include <new>

#include "core/context.h"
#include "core/model/cache.h"
#include "core/sysdeps.h"
#include "core/wstr.h"

namespace vesk {

void MdlImageVersion(const MdlImageView& view, WCHAR (&out)[kMdlVersionChars + 1]) {
    for (WCHAR& c : out) c = 0;
    for (uint32_t i = 0; i < kMdlVersionChars; ++i) {
        uint16_t c = 0;
        if (!view.u16(kMdlImgFileVersion + 2 * i, &c) || c == 0) break;
        out[i] = static_cast<WCHAR>(c);
    }
}

bool MdlVersionEquals(const WCHAR* a, const WCHAR* b) {
    // A stored FileVersion need not end within its field: each text is
    // taken to its first 16 units.
    WCHAR x[kMdlVersionChars + 1] = {}, y[kMdlVersionChars + 1] = {};
    WCopyCut(x, kMdlVersionChars + 1, a ? a : u"");
    WCopyCut(y, kMdlVersionChars + 1, b ? b : u"");
    return lstrcmpiW(x, y) == 0;
}

MdlImage* MdlCompileImage(DrvContext* ctx, const WCHAR* path, bool writeCache) {
    MdlParseResult* r = MdlLoad(path);
    if (!r) return nullptr;
    std::vector<uint8_t> stored;
    bool ok = MdlSerializeImage(*r, stored);
    MdlFree(r);
    MdlImage* image = ok ? MdlImageNew(stored.data(), stored.size()) : nullptr;
    if (!image) return nullptr;
    // The stored form is written only once the image has relocated and
    // checked out, so the cache never holds what could not be used.
    if (!MdlRelocateImage(image->block, image->size) || !MdlValidateImage(image->view())) {
        MdlImageFree(image);
        return nullptr;
    }
    if (writeCache) {
        WCHAR version[kMdlVersionChars + 1];
        MdlImageVersion(image->view(), version);
        if (!ctx || (ctx->desc && MdlVersionEquals(version, ctx->desc->driverVersionText)))
            MdlCacheWriteFile(stored.data(), stored.size(), path);
    }
    return image;
}

namespace {
// The image record, then its block (zero-filled, or left for the caller to
// fill entirely when `unfilled`).
MdlImage* allocImage(size_t size, bool unfilled) {
    if (size == 0 || size > kMdlImageMaxSize) return nullptr;
    void* room = MemAllocZero(sizeof(MdlImage));
    if (!room) return nullptr;
    auto* image = new (room) MdlImage{};
    image->block = static_cast<uint8_t*>(unfilled ? GlobalAllocUnfilled(size) : MemAllocZero(size));
    if (!image->block) {
        MemFree(image);
        return nullptr;
    }
    image->size = static_cast<uint32_t>(size);
    return image;
}
}  // namespace

MdlImage* MdlImageNew(const uint8_t* bytes, size_t size) {
    MdlImage* image = allocImage(size, false);
    if (image && bytes) std::memcpy(image->block, bytes, size);
    return image;
}

MdlImage* MdlImageNewUnfilled(size_t size) { return allocImage(size, true); }

void MdlImageFree(MdlImage* image) {
    if (!image) return;
    delete image->kept.load(std::memory_order_acquire);
    MemFree(image->block);
    image->~MdlImage();
    MemFree(image);
}

}  // namespace vesk
