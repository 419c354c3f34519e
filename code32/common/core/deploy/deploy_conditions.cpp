// Whether a default preset file applies to this driver and model: its
// condition lines, its disable section, and the sections a deployed copy
// takes from its source.
#include <win/profile.h>

#include "core/deploy/deploy.h"
#include "core/devmode/dm_state.h"
#include "core/dictionary_lookup.h"
#include "core/files.h"
#include "core/ini_text.h"
#include "core/ini_wrap.h"
#include "core/item_store.h"
#include "core/lists/lists.h"
#include "core/model/eval.h"
#include "core/model/query.h"
#include "core/paths.h"
#include "core/persist/settings_file.h"
#include "core/printer_identity.h"
#include "core/sysdeps.h"
#include "core/text_convert.h"
#include "core/ui_lookup.h"
#include "core/wstr.h"

namespace vesk {
namespace {

constexpr WCHAR kCondition[] = u"condition";
constexpr WCHAR kDisable[] = u"disable";
constexpr WCHAR kAbsent[] = u"\x1";
constexpr size_t kLineChars = 261;         // a line is read as up to 260 characters
constexpr size_t kLineBytes = 2 * kLineChars;
constexpr size_t kNameBytes = 64;          // a longer name is unknown
constexpr DWORD kSectionChars = 30720;
constexpr int kPresetPage = 1001;
constexpr int kPresetControl = 2001;

bool isBlank(char c) { return c == ' ' || c == '\t'; }

// Line "ConditionOption<g>_<l>" as ANSI text; false when it is missing.
bool readLine(const WCHAR* file, int g, int l, char* out) {
    WCHAR key[24] = u"ConditionOption";
    const size_t n = WLen(key);
    key[n] = static_cast<WCHAR>(u'0' + g);
    key[n + 1] = u'_';
    key[n + 2] = static_cast<WCHAR>(u'0' + l);
    key[n + 3] = 0;
    WCHAR line[kLineChars] = {};
    IniGetString(kCondition, key, kAbsent, line, kLineChars, file);
    if (WEqualNoCase(line, kAbsent)) return false;
    StrWideToAnsi(out, line, static_cast<int>(kLineBytes));
    return true;
}

// A term: the named value's first condition of the condition option.
bool termHolds(DrvContext* ctx, uint32_t option, const char* name, size_t length, bool negated) {
    if (length == 0 || length >= kNameBytes) return false;
    char text[kNameBytes] = {};
    for (size_t i = 0; i < length; ++i) text[i] = name[i];
    const ValueSymbol* vs = ValueSymFindByName(text);
    if (!vs) return false;
    const bool holds = MdlEvalOptionCond1(ctx, option, vs->value) != 0;
    return negated ? !holds : holds;
}

// Terms from the left, without precedence: a term after "|" is passed over
// while the result holds; a failing term before "&" fails the line.
bool lineHolds(DrvContext* ctx, uint32_t option, const char* s) {
    bool result = false;
    char before = 0;
    while (*s) {
        while (isBlank(*s)) ++s;
        if (!*s) break;
        const bool negated = *s == '!';
        if (negated) ++s;
        const char* name = s;
        while (*s && !isBlank(*s) && *s != '|' && *s != '&') ++s;
        const size_t length = static_cast<size_t>(s - name);
        while (isBlank(*s)) ++s;
        char op = 0;
        if (*s == '|' || *s == '&') op = *s++;
        if (before == '|' && result) {
            before = op;
            continue;
        }
        result = termHolds(ctx, option, name, length, negated);
        if (!result && op == '&') return false;
        before = op;
    }
    return result;
}

// Copies a whole section between files; one that does not fit its buffer
// is not copied rather than cut.
void copySection(const WCHAR* from, const WCHAR* fromName, const WCHAR* to, const WCHAR* toName) {
    WCHAR* buffer = static_cast<WCHAR*>(MemAllocZero(kSectionChars * sizeof(WCHAR)));
    if (!buffer) return;
    const DWORD n = GetPrivateProfileSectionW(fromName, buffer, kSectionChars, from);
    if (n > 0 && n < kSectionChars - 2) WritePrivateProfileSectionW(toName, buffer, to);
    MemFree(buffer);
}

}  // namespace

int CondEvaluate(const WCHAR* presetFile, DrvContext* ctx) {
    if (!presetFile || !ctx) return 1;
    const SymbolEntry* sym = SymFindByName("VPD_ConditionOption");
    const uint32_t option = sym ? MdlFindOptionByKey(ctx, sym->key) : 0;
    if (!option) return 1;
    char line[kLineBytes];
    for (int g = 0; g < 10; ++g) {
        if (!readLine(presetFile, g, 0, line)) continue;
        bool group = false;
        for (int l = 0; l < 10 && !group; ++l) {
            if (l > 0 && !readLine(presetFile, g, l, line)) break;
            group = lineHolds(ctx, option, line);
        }
        if (!group) return 0;
    }
    return 1;
}

int PresetIsEnabled(const WCHAR* presetFile, DrvContext* ctx) {
    if (!presetFile || !ctx) return 0;
    return static_cast<int>(IniGetInt(kDisable, PrnGetDriverName(ctx), 0, presetFile)) == 0 ? 1 : 0;
}

void CopyPresetConditions(const WCHAR* target, const WCHAR* source, uint32_t importFlags, DrvContext* ctx) {
    if (!target || !source || !ctx || !ctx->ws || !ctx->devmode || !FileExists(source)) return;
    for (const WCHAR* section : {kCondition, kDisable}) {
        WritePrivateProfileStringW(section, nullptr, nullptr, target);
        copySection(source, section, target, section);
    }
    if (!DmSaveState(ctx)) return;
    SettingsImport(ctx->printer, source, importFlags | kStLanguageForm, ctx);
    SettingsExport(ctx->printer, target, importFlags | kStLanguageForm, ctx);
    WCHAR readonly[16] = {};
    IniGetString(GetLangCode(ctx), u"Readonly", kAbsent, readonly, 16, source);
    if (!WEqualNoCase(readonly, kAbsent)) IniWriteString(ctx->ws->printerName, u"Readonly", readonly, target);
    DmRestoreState(ctx, 1);
}

int PresetHasRstVersion(const WCHAR* file, DrvContext* ctx) {
    if (!file || !ctx || !ctx->ws || !FileExists(file)) return 0;
    WCHAR v[16] = {};
    IniGetString(ctx->ws->printerName, u"RstVersion", kAbsent, v, 16, file);
    return WEqualNoCase(v, kAbsent) ? 0 : 1;
}

int PresetIsApplicable(const WCHAR* file, DrvContext* ctx) {
    if (!file || !ctx || !ctx->ws || !ctx->devmode || !DmSaveState(ctx)) return 0;
    SettingsImport(ctx->printer, file, kStPresetDevice | kStNoMessage, ctx);
    const bool loaded = (CtxGetPresetFlag(ctx) & 1) != 0;
    DmRestoreState(ctx, 1);
    if (loaded) return 1;
    UiPage* page = PageFindById(ctx, kPresetPage);
    UiControl* control = page ? CtlFindById(ctx, page, kPresetControl) : nullptr;
    DmItem* item = control ? CtlBindItem(ctx, control) : nullptr;
    const uint32_t option = item ? MdlFindOption(ctx, item->id) : 0;
    return (!option || MdlFirstTrueEntry(ctx, option) == 0) ? 1 : 0;
}

}  // namespace vesk
