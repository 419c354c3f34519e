// DrvEscape: the device check, the support test, and the escapes that are
// not about items (the private item escapes are in escape_items.cpp).
#include "escape.h"

#include <cstring>

#include "core/devmode/dm_layout.h"
#include "core/item_store.h"
#include "core/wstr.h"
#include "driver_functions.h"
#include "printer_text.h"
#include "stream/record_buffer.h"
#include "core/item_ids.h"

namespace vesk {
namespace {

constexpr char kTechnology[] = "VESK";
constexpr char kCoreVersion[] = "GRCORE.LIB MASTER 1.26h";
constexpr size_t kLibraryNameBytes = 128;  // with the terminator
constexpr DWORD kMostCopies = 999;
// QUERYESCSUPPORT's answer for SETCOPYCOUNT: the most copies it takes.
constexpr ULONG kCopyCountAnswer = 999;

// Text with its terminator into the output buffer, whole or not at all.
ULONG writeText(const EscapeBuffers& b, const void* text, size_t bytes) {
    if (!b.hasOutput() || b.outSize < bytes) return 0;
    std::memcpy(b.out, text, bytes);
    return 1;
}

// The low 16 bits of the input are the escape asked about.
ULONG querySupport(const Pdev* p, const EscapeBuffers& b) {
    if (b.inSize < 2) return 0;
    const ULONG asked = dm::rd16(b.in, 0);
    if (asked == kEscSetCopyCount) return kCopyCountAnswer;
    return EscapeSupported(p, asked) ? 1 : 0;
}

// The count is taken as unsigned: a negative count is a large one.
ULONG setCopyCount(Pdev* p, const EscapeBuffers& b) {
    if (b.inSize < 4) return kEscFailed;
    if (b.hasOutput() && b.outSize < 4) return 0;
    DWORD count = dm::rd32(b.in, 0);
    if (count >= kMostCopies) count = kMostCopies;
    if (count == 0) count = 1;
    p->copies = static_cast<int16_t>(count);
    ItemSetRawById(p->ctx, kItDmCopies, count);
    if (b.hasOutput()) dm::wr32(b.out, 0, count);
    return 1;
}

// A 16-bit count and that many bytes, written to the spool as they are
// behind the records queued so far. Once output has failed the stream can
// no longer be whole, so nothing more is written.
ULONG passThrough(Pdev* p, const EscapeBuffers& b) {
    if (b.inSize < 2) return kEscFailed;
    const DWORD count = dm::rd16(b.in, 0);
    if (b.inSize - 2 < count) return kEscFailed;
    if (p->flags & kPdevOutputFailed) return kEscFailed;
    if (!RecBufFlush(&p->out) || !SpoolWrite(&p->out, b.in + 2, count)) {
        p->flags |= kPdevOutputFailed;
        return kEscFailed;
    }
    return count;
}

// Four 32-bit floats: the printable width and length in dots, then, while
// a page is open, the printable area's offsets (else 0 and 0).
ULONG printableArea(const Pdev* p, const EscapeBuffers& b) {
    if (!b.hasOutput() || b.outSize < 16) return 0;
    const bool open = (p->flags & kPdevPageOpen) != 0;
    const PageGeometry& g = p->geometry;
    const float v[4] = {static_cast<float>(g.printWidthDots), static_cast<float>(g.printLengthDots),
                        open ? static_cast<float>(g.offsetX) : 0.0f, open ? static_cast<float>(g.offsetY) : 0.0f};
    for (int i = 0; i < 4; ++i) {
        uint32_t bits = 0;
        std::memcpy(&bits, &v[i], sizeof bits);
        dm::wr32(b.out, static_cast<uint32_t>(4 * i), bits);
    }
    return 1;
}

// The spooler-side library's file name in the printer's code page, cut on a
// character boundary to leave room for the terminator.
ULONG spoolLibraryName(const Pdev* p, const EscapeBuffers& b) {
    if (!b.hasOutput() || !p->spoolLibraryName || !p->spoolLibraryName[0]) return 0;
    BYTE name[kLibraryNameBytes] = {};
    const size_t n = UnicodeToPrinterCp(name, kLibraryNameBytes - 1, p->spoolLibraryName, WLen(p->spoolLibraryName));
    return writeText(b, name, n + 1);
}

}  // namespace

bool EscapeSupported(const Pdev* p, ULONG escape) {
    switch (escape) {
        case kEscQuerySupport:
        case kEscSetCopyCount:
        case kEscGetTechnology:
        case kEscPrintableArea:
        case kEscCoreVersion:
        case kEscSpoolLibrary: return true;
        case kEscPassThrough: return p && p->firstPageHeaderOnly != 0;
        default: return escape >= kEscFirstPrivate && escape <= kEscLastPrivate;
    }
}

}  // namespace vesk

using namespace vesk;

extern "C" ULONG APIENTRY DrvEscape(SURFOBJ* pso, ULONG iEsc, ULONG cjIn, PVOID pvIn, ULONG cjOut, PVOID pvOut) {
    Pdev* p = PdevFromSurface(pso);
    if (!p || !EscapeSupported(p, iEsc)) return 0;
    const EscapeBuffers b(pvIn, cjIn, pvOut, cjOut);
    switch (iEsc) {
        case kEscQuerySupport: return querySupport(p, b);
        case kEscSetCopyCount: return setCopyCount(p, b);
        case kEscPassThrough: return passThrough(p, b);
        case kEscGetTechnology: return writeText(b, kTechnology, sizeof kTechnology);
        case kEscPrintableArea: return printableArea(p, b);
        case kEscCoreVersion: return writeText(b, kCoreVersion, sizeof kCoreVersion);
        case kEscSpoolLibrary: return spoolLibraryName(p, b);
        default: return PrivateEscape(p, iEsc, b);
    }
}
