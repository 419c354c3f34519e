// The font lines of the job header: the device fonts the job may use
// ("@PJL SET DEVFONTID") and the substitution table of a FontTbl option
// ("@PJL SET SUBFONTTABLE"). Both lists come from the font tables of the
// DEVMODE; a list without an entry to name writes no line at all, so no
// line is ever left with an open quote.
#include <string>

#include "core/font_tables.h"
#include "core/item_ids.h"
#include "core/item_store.h"
#include "core/model/query.h"
#include "header/header_internal.h"
#include "printer_text.h"
#include "core/item_ids.h"

namespace vesk {
namespace {

constexpr uint32_t kDeviceFontRecord = kMdlFontRecordSize;  // u16 id (0xFFFF unused), name at +4
constexpr uint32_t kSubstRecord = kMdlFontPairSize;         // two names of 32 characters
constexpr uint32_t kNameChars = kMdlFontNameChars;
constexpr uint32_t kNameBytes = 32;                         // a name's ANSI bytes at most
constexpr uint16_t kUnusedFont = 0xFFFF;

// A name of 32 little-endian UTF-16 units as safe ANSI bytes.
std::string nameAt(const BYTE* p) {
    WCHAR wide[kNameChars + 1] = {};
    for (uint32_t i = 0; i < kNameChars; ++i) wide[i] = static_cast<WCHAR>(p[2 * i] | (p[2 * i + 1] << 8));
    std::string out(kNameBytes, '\0');
    out.resize(WideToAnsiBytes(out.data(), out.size(), wide, kNameChars, TextPolicy::PjlSafe));
    return out;
}

// The entries of a font table: the block and how many whole records of
// `recordSize` it holds, at most `count`.
const BYTE* table(DrvContext* ctx, int countItem, int handleItem, uint32_t recordSize, uint32_t* records) {
    *records = 0;
    const uint32_t count = ItemRawById(ctx, countItem);
    uint32_t bytes = 0;
    const BYTE* data = static_cast<const BYTE*>(FontTableData(ItemRawById(ctx, handleItem), &bytes));
    if (!data || count == 0) return nullptr;
    *records = count < bytes / recordSize ? count : bytes / recordSize;
    return data;
}

void line(HeaderRender& r, const char* head, const std::string& list) {
    if (list.empty()) return;
    r.out.append(head);
    r.out.append(list.data(), list.size() - 1);  // the last '/' becomes the closing quote
    r.out.append("\" \r\n");
}

}  // namespace

void PjlDevFontId(HeaderRender& r) {
    uint32_t n = 0;
    const BYTE* t = table(r.ctx, kItRdmDeviceFontNum, kItRdmDeviceFont, kDeviceFontRecord, &n);
    std::string list;
    for (uint32_t i = 0; t && i < n; ++i) {
        const BYTE* rec = t + i * kDeviceFontRecord;
        const uint16_t id = static_cast<uint16_t>(rec[0] | (rec[1] << 8));
        if (id == kUnusedFont) continue;
        list += std::to_string(id) + "+" + nameAt(rec + 4) + "/";
    }
    line(r, "@PJL SET DEVFONTID = \"", list);
}

void PjlSubFontTable(HeaderRender& r, const CommandRecord& rec, uint32_t value) {
    const uint32_t at = FindValueRecord(r.view, rec, static_cast<uint16_t>(value));
    uint32_t pairs = 0;
    if (!at || !r.view.u32(at + kMdlValCount, &pairs) || pairs == 0) return;
    uint32_t n = 0;
    const BYTE* t = table(r.ctx, kItRdmFontTableNum, kItRdmFontTable, kSubstRecord, &n);
    std::string list;
    for (uint32_t i = 0; t && i < n; ++i) {
        const BYTE* p = t + i * kSubstRecord;
        list += nameAt(p) + "+" + nameAt(p + 64) + "/";
    }
    line(r, "@PJL SET SUBFONTTABLE = \"", list);
}

}  // namespace vesk
