// The driver's own header commands, chosen by the item's command kind: the
// date and time, lengths in output dots, the driver and printer names, the
// settings INI, the print log, a number without separators, the driver
// directory and the colour-matching file. Every name and path they write
// comes from outside the model and is made safe for its PJL line; a name,
// path or value that is missing writes nothing, and the option still counts
// as handled.
#include <win/gdi.h>

#include <cstdio>
#include <string>

#include "core/item_ids.h"
#include "core/item_store.h"
#include "core/paths.h"
#include "core/printer_identity.h"
#include "core/wstr.h"
#include "common_calls/log_file_name.h"
#include "header/header_internal.h"
#include "printer_text.h"
#include "core/item_ids.h"

namespace vesk {
namespace {

constexpr size_t kPathBytes = 260;
constexpr size_t kNameChars = 261;

// Wide text as safe ANSI bytes of at most `capacity`.
std::string safeAnsi(const WCHAR* text, size_t capacity) {
    std::string out(capacity, '\0');
    out.resize(WideToAnsiBytes(out.data(), out.size(), text, WLen(text), TextPolicy::PjlSafe));
    return out;
}

void affixed(HeaderRender& r, const CommandRecord& rec, const std::string& text) {
    CmdTextAppend(rec.affixes, text.data(), text.size(), r.out);
}

void dateAndTime(HeaderRender& r, const CommandRecord& rec) {
    ENG_TIME_FIELDS t{};
    EngQueryLocalTime(&t);
    // Fixed widths: the measuring and the filling pass give the same length
    // even when the clock moves between them.
    char date[48], time[16];
    std::snprintf(date, sizeof date, "@PJL SET DATE = \"%04u/%02u/%02u\" \r\n", t.usYear % 10000u, t.usMonth % 100u,
                  t.usDay % 100u);
    std::snprintf(time, sizeof time, "\"%02u:%02u:%02u\"", t.usHour % 100u, t.usMinute % 100u, t.usSecond % 100u);
    r.out.append(date);
    affixed(r, rec, time);
}

// A length in 1200-dpi dots in output dots; `negate` turns it.
void outputLength(HeaderRender& r, const CommandRecord& rec, DmItem* item, bool negate) {
    int64_t mul = 1, div = 1;
    NumericScale(r.view, rec, &mul, &div);
    const int64_t value = ItemSignedValue(item, ItemGetValue(r.ctx, item));
    const int64_t resolution = ItemValueById(r.ctx, kItRdmDstResolutionW);
    int64_t v = ScaleValue(value * mul * resolution, 1, div * 1200);
    if (div == 0) v = value;
    if (negate) v = -v;
    affixed(r, rec, std::to_string(v));
}

// Each name is its own line: an empty or missing name leaves out only its
// own line (the driver line, or the affixed printer name), and the other
// name is still written, since the printer reads the two settings apart.
void names(HeaderRender& r, const CommandRecord& rec) {
    const WCHAR* driver = PrnGetDriverName(r.ctx);
    const WCHAR* printer = PrnGetPrinterName(r.ctx);
    const std::string d = safeAnsi(driver, kNameChars * 2);
    const std::string p = safeAnsi(printer, kNameChars * 2);
    if (!d.empty()) {
        r.out.append("@PJL SET VESKDRIVERNAME = \"");
        r.out.append(d);
        r.out.append("\" \r\n");
    }
    if (!p.empty()) affixed(r, rec, "\"" + p + "\"");
}

void logFile(HeaderRender& r, const CommandRecord& rec, bool library) {
    WCHAR name[kNameChars] = {};
    if (!PrnGetLogFileName(name, sizeof name, r.ctx)) return;
    name[kNameChars - 1] = 0;
    if (library) {
        // The log's library has the log's name ending in DLL; a name of
        // three characters or fewer has no ending to replace and goes as it is.
        const size_t n = WLen(name);
        if (n > 3) name[n - 3] = u'D', name[n - 2] = u'L', name[n - 1] = u'L';
    }
    const std::string text = safeAnsi(name, kPathBytes);
    if (!text.empty()) affixed(r, rec, text);
}

void digitsOnly(HeaderRender& r, const CommandRecord& rec, DmItem* item) {
    WCHAR text[kNameChars] = {};
    if (!ItemGetString(r.ctx, item, text, kNameChars)) return;
    size_t n = 0;
    for (size_t i = 0; text[i]; ++i)
        if (text[i] != u'-' && text[i] != u'(' && text[i] != u')') text[n++] = text[i];
    text[n] = 0;
    const std::string out = safeAnsi(text, kNameChars * 2);
    if (!out.empty()) affixed(r, rec, out);
}

void path(HeaderRender& r, const CommandRecord& rec, const WCHAR* p) {
    const std::string text = safeAnsi(p, kPathBytes);
    if (!text.empty()) affixed(r, rec, text);
}

// The colour-matching file of the models that have one (ids 130 and 131):
// the driver directory and a file chosen by model, media and mode.
void colourMatchingFile(HeaderRender& r, const CommandRecord& rec) {
    const uint32_t model = r.ctx->desc ? r.ctx->desc->machineId : 0;
    if (model != 130 && model != 131) return;
    const uint32_t mode = ItemValueById(r.ctx, kItRdmColorMatchingMode);
    if (mode == 0) return;
    const bool thick = ItemValueById(r.ctx, kItRdmMediaType) == 2;
    char file[16];
    std::snprintf(file, sizeof file, "KW%02uC15%u.rcm", model == 130 ? 80u : 81u, (thick ? 3u : 1u) + (mode == 1 ? 0u : 1u));
    const std::string dir = safeAnsi(GetDriverDir(r.ctx), kPathBytes);
    affixed(r, rec, dir + file);
}

}  // namespace

bool RenderSpecialCommand(HeaderRender& r, int kind, const CommandRecord& rec, DmItem* item) {
    switch (kind) {
        case 1: dateAndTime(r, rec); return true;
        case 2: outputLength(r, rec, item, false); return true;
        case 3: names(r, rec); return true;
        case 5: path(r, rec, GetIniFilePath(r.ctx)); return true;
        case 6: logFile(r, rec, false); return true;
        case 7: logFile(r, rec, true); return true;
        case 8: digitsOnly(r, rec, item); return true;
        case 9: {
            const uint32_t bind = ItemValueById(r.ctx, kItRdmSimplexBindType);
            outputLength(r, rec, item, bind == 2 || bind == 4);
            return true;
        }
        case 10: {
            const uint32_t bind = ItemValueById(r.ctx, kItRdmSimplexBindType);
            outputLength(r, rec, item, bind == 3 || bind == 4);
            return true;
        }
        case 12: path(r, rec, GetDriverDir(r.ctx)); return true;
        case 101: colourMatchingFile(r, rec); return true;
        default: return false;
    }
}

}  // namespace vesk
