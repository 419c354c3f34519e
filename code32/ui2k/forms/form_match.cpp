// The spooler's forms against a job's DEVMODE and against the model's
// papers.
#include "forms/form_match.h"

#include <cstdlib>
#include <cstring>

#include "core/devmode/dm_layout.h"
#include "core/item_ids.h"
#include "core/model/image.h"
#include "core/model/query.h"
#include "core/sysdeps.h"

namespace vesk {
namespace {

using dm::fields;
using dm::kOffFormName;
using dm::kOffPaperLength;
using dm::kOffPaperSize;
using dm::kOffPaperWidth;
using dm::rds16;
using dm::wr16;

constexpr uint32_t kSizeFields = DM_PAPERLENGTH | DM_PAPERWIDTH;
constexpr DWORD kBuiltinForm = FORM_BUILTIN;
constexpr DWORD kPrinterForm = FORM_PRINTER;

int32_t distance(int32_t a, int32_t b) { return static_cast<int32_t>(std::llabs(static_cast<long long>(a) - b)); }

void copyForm(const FORM_INFO_1W& in, FoundForm* out) {
    out->form = in;
    CopyFormName(out->name, kFormNameBufferChars, in.pName);
    out->form.pName = out->name;
}

}  // namespace

void CopyFormName(WCHAR* dest, size_t chars, const WCHAR* name) {
    if (!dest || !chars) return;
    size_t n = 0;
    while (name && name[n] && n + 1 < chars) ++n;
    // A high surrogate whose partner did not fit goes too.
    if (n > 0 && name[n] && name[n - 1] >= 0xD800 && name[n - 1] <= 0xDBFF) --n;
    if (n) std::memcpy(dest, name, n * sizeof(WCHAR));
    std::memset(dest + n, 0, (chars - n) * sizeof(WCHAR));
}

FORM_INFO_1W* PrnEnumForms(HANDLE printer, DWORD* count) {
    if (count) *count = 0;
    DWORD needed = 0, returned = 0;
    if (EnumFormsW(printer, 1, nullptr, 0, &needed, &returned) || GetLastError() != ERROR_INSUFFICIENT_BUFFER ||
        needed == 0)
        return nullptr;
    BYTE* block = static_cast<BYTE*>(MemAllocZero(needed));
    if (!block) return nullptr;
    if (!EnumFormsW(printer, 1, block, needed, &needed, &returned) || returned == 0) {
        MemFree(block);
        return nullptr;
    }
    if (count) *count = returned;
    return reinterpret_cast<FORM_INFO_1W*>(block);
}

int FormFindForDevmode(HANDLE printer, DEVMODEW* devmode, size_t dmLen, FoundForm* out) {
    if (!devmode || !out) return kFormNone;
    BYTE* dm = reinterpret_cast<BYTE*>(devmode);
    // Only fields that lie inside the caller's DEVMODE are read or written.
    if (dmLen < kOffFormName + dm::kFormNameChars * 2) return kFormNone;
    DWORD count = 0;
    FORM_INFO_1W* forms = PrnEnumForms(printer, &count);
    if (!forms) return kFormNone;
    struct Free {
        void* p;
        ~Free() { MemFree(p); }
    } freeForms{forms};

    const uint32_t f = fields(dm);
    const FORM_INFO_1W* found = nullptr;
    DWORD index = 0;
    const int32_t width = rds16(dm, kOffPaperWidth), length = rds16(dm, kOffPaperLength);
    if ((f & kSizeFields) == kSizeFields && width > 0 && length > 0) {
        const int32_t cx = width * 100, cy = length * 100;
        for (DWORD i = 0; i < count && !found; ++i)
            if (distance(forms[i].Size.cx, cx) < kFormTolerance && distance(forms[i].Size.cy, cy) < kFormTolerance)
                found = &forms[i], index = i;
        if (!found) {
            std::memset(out, 0, sizeof *out);
            out->form.Flags = 0;
            out->form.Size = {cx, cy};
            out->form.ImageableArea = {0, 0, cx, cy};
            out->form.pName = out->name;
            return kFormCustom;
        }
    } else if (f & DM_PAPERSIZE) {
        const int16_t code = rds16(dm, kOffPaperSize);
        if (code >= 1 && static_cast<DWORD>(code) <= count) found = &forms[code - 1], index = static_cast<DWORD>(code - 1);
    } else if (f & DM_FORMNAME) {
        WCHAR name[dm::kFormNameChars] = {};
        std::memcpy(name, dm + kOffFormName, sizeof name);
        name[dm::kFormNameChars - 1] = 0;
        for (DWORD i = 0; i < count && !found; ++i) {
            const WCHAR* n = forms[i].pName;
            size_t k = 0;
            while (n && n[k] && n[k] == name[k]) ++k;
            if (n && n[k] == name[k]) found = &forms[i], index = i;
        }
    }
    if (!found) return kFormNone;

    copyForm(*found, out);
    wr16(dm, kOffPaperWidth, static_cast<uint16_t>(found->Size.cx / 100));
    wr16(dm, kOffPaperLength, static_cast<uint16_t>(found->Size.cy / 100));
    wr16(dm, kOffPaperSize, static_cast<uint16_t>(index + 1));
    dm::addFields(dm, DM_FORMNAME);
    WCHAR cut[dm::kFormNameChars];
    CopyFormName(cut, dm::kFormNameChars, found->pName);
    for (uint32_t i = 0; i < dm::kFormNameChars; ++i) wr16(dm, kOffFormName + 2 * i, cut[i]);
    return kFormFound;
}

int FormMatchModelPaper(const FORM_INFO_1W* form, int flag, DrvContext* ctx) {
    if (!form || !ctx) return 0;
    if (!(form->Flags & kBuiltinForm)) return 1;
    if ((form->Flags & kPrinterForm) && flag) return 0;
    if (MdlGetOptionType(ctx, kItDmPaperSize) != kMdlPickPage) return 0;
    const int count = MdlGetValueCount(ctx, kItDmPaperSize);
    const uint32_t head = MdlGetOptionValues(ctx, kItDmPaperSize, nullptr);
    if (count <= 0 || !head) return 0;
    const MdlImageView v = MdlViewOf(ctx);
    MdlListWalk walk(v, head, MdlValueRecordSize(kMdlPickPage));
    bool larger = false;
    int seen = 0;
    for (uint32_t rec; seen < count && walk.next(&rec); ++seen) {
        int32_t w = 0, l = 0;
        if (!v.i32(rec + kMdlValSize1, &w) || !v.i32(rec + kMdlValSize2, &l)) continue;
        const int64_t cx = int64_t{w} * 100, cy = int64_t{l} * 100;
        if (std::llabs(cx - form->Size.cx) <= 1 && std::llabs(cy - form->Size.cy) <= 1) return 1;
        if (cx >= form->Size.cx && cy >= form->Size.cy) larger = true;
    }
    return larger ? 1 : 0;
}

}  // namespace vesk
