// Writing a scenario: the bundle's lists and copied sections, one file per
// preset and quality, and the list file beside the saved file.
#include <win/windows.h>
#include <win/profile.h>

#include <cstring>
#include <string>

#include "core/ini_text.h"
#include "core/files.h"
#include "core/ini_wrap.h"
#include "core/install/install_ini.h"
#include "core/lists/lists.h"
#include "core/paths.h"
#include "core/persist/settings_file.h"
#include "core/printer_identity.h"
#include "core/scenario/scenario.h"
#include "core/sysdeps.h"
#include "core/text_convert.h"
#include "core/wstr.h"

namespace vesk {

namespace {

constexpr DWORD kSectionChars = 32767;
constexpr int kFreeSizeSlots = 10;
constexpr WCHAR kSysDirMacro[] = u"%sysdir%";

WCHAR* numbered(WCHAR* dest, const char* prefix, int n) {
    const std::string s = prefix + std::to_string(n);
    size_t i = 0;
    for (; i < s.size() && i + 1 < kListKeyChars; ++i) dest[i] = static_cast<WCHAR>(s[i]);
    dest[i] = 0;
    return dest;
}

bool put(const WCHAR* file, const WCHAR* section, const WCHAR* key, const WCHAR* value) {
    return IniWriteString(section, key, value, file) != 0;
}

bool putNumber(const WCHAR* file, const WCHAR* section, const WCHAR* key, int value) {
    WCHAR text[16];
    numbered(text, "", value);
    return put(file, section, key, text);
}

// A whole section into `into` (kSectionChars): false when the read failed
// or the section does not fit; a missing file or section reads as empty.
bool readSection(const WCHAR* file, const WCHAR* section, WCHAR* into) {
    SetLastError(ERROR_SUCCESS);
    const DWORD n = GetPrivateProfileSectionW(section, into, kSectionChars, file);
    if (n == 0) {
        into[0] = into[1] = 0;
        const DWORD e = GetLastError();
        return e == ERROR_SUCCESS || e == ERROR_FILE_NOT_FOUND;
    }
    return n < kSectionChars - 2;
}

// One whole section copied between files. A section the source does not
// have is skipped unless `required`; a read that fails or does not fit
// fails the copy.
class SectionCopier {
public:
    SectionCopier() : buf_(static_cast<WCHAR*>(MemAllocZero(kSectionChars * sizeof(WCHAR)))) {}
    ~SectionCopier() { MemFree(buf_); }
    SectionCopier(const SectionCopier&) = delete;
    SectionCopier& operator=(const SectionCopier&) = delete;
    explicit operator bool() const { return buf_ != nullptr; }

    bool copy(const WCHAR* from, const WCHAR* fromSection, const WCHAR* to, const WCHAR* toSection, bool required) {
        WCHAR fromName[kWsPrinterNameChars], toName[kWsPrinterNameChars];
        if (!WCopyWhole(fromName, kWsPrinterNameChars, fromSection) || !WCopyWhole(toName, kWsPrinterNameChars, toSection))
            return false;
        IniSectionBracketsToCommas(fromName);
        IniSectionBracketsToCommas(toName);
        if (!readSection(from, fromName, buf_)) return false;
        if (!buf_[0]) return !required;
        return WritePrivateProfileSectionW(toName, buf_, to) != 0;
    }

private:
    WCHAR* buf_;
};

// The bundle's name with the index character and an extension: the file
// name of one preset or quality file ("R" + digits + index + "." + ext).
bool memberName(const WCHAR* digits, int index, const WCHAR* ext, WCHAR* out, size_t cap) {
    const WCHAR c = ScenarioIndexChar(index);
    if (!c) return false;
    const WCHAR tail[3] = {c, u'.', 0};
    return WCopyWhole(out, cap, u"R") && WAppendWhole(out, cap, digits) && WAppendWhole(out, cap, tail) &&
           WAppendWhole(out, cap, ext);
}

struct Names {
    WCHAR dir[kWsPathChars] = {};     // the bundle's directory with its backslash
    WCHAR presetDigits[kScenarioDigits + 1] = {};
    WCHAR qualityDigits[kScenarioDigits + 1] = {};

    bool fromBundle(const WCHAR* bundle) {
        const size_t n = WLen(bundle);
        size_t slash = n;
        for (size_t i = 0; i < n; ++i)
            if (bundle[i] == u'\\') slash = i;
        // "R", six digits, "1.rsb".
        if (slash == n || n - slash - 1 != 1 + kScenarioDigits + 5 || bundle[slash + 1] != u'R') return false;
        if (!WCopyWhole(dir, kWsPathChars, bundle)) return false;
        dir[slash + 1] = 0;
        for (size_t i = 0; i < kScenarioDigits; ++i) presetDigits[i] = bundle[slash + 2 + i];
        WCopyWhole(qualityDigits, kScenarioDigits + 1, presetDigits);
        ScenarioDigitsIncrement(qualityDigits);
        return true;
    }
    bool member(bool quality, int index, WCHAR* path, WCHAR* name) const {
        return memberName(quality ? qualityDigits : presetDigits, index, quality ? u"rsq" : u"rsd", name,
                          kWsPathChars) &&
               WCopyWhole(path, kWsPathChars, dir) && WAppendWhole(path, kWsPathChars, name);
    }
};

bool bundleLists(const WCHAR* bundle, const Names& names, int presets, int qualities, const WCHAR* lang) {
    WCHAR key[kListKeyChars], path[kWsPathChars], name[kWsPathChars], entry[kWsPathChars];
    bool ok = putNumber(bundle, lang, u"NumDeficonfiles", presets);
    for (int u = 1; ok && u <= presets; ++u)
        ok = names.member(false, u - 1, path, name) && WCopyWhole(entry, kWsPathChars, kSysDirMacro) &&
             WAppendWhole(entry, kWsPathChars, name) && put(bundle, lang, numbered(key, "Deficonfiles", u), entry);
    ok = ok && putNumber(bundle, lang, u"NumDefqualityfiles", qualities);
    for (int u = 1; ok && u <= qualities; ++u)
        ok = names.member(true, u - 1, path, name) && WCopyWhole(entry, kWsPathChars, kSysDirMacro) &&
             WAppendWhole(entry, kWsPathChars, name) && put(bundle, lang, numbered(key, "Defqualityfiles", u), entry);
    return ok;
}

// The settings-file header keys, as a settings export writes them.
bool writeRstHeader(const WCHAR* file, const WCHAR* section, DrvContext* ctx) {
    char* text = static_cast<char*>(MemAllocZero(kIniSectionBytes));
    if (!text) return false;
    uint32_t end = 0;
    bool ok = RstWriteHeader(text, &end, ctx, 0) != 0;
    // "key=value" lines, each ended by CR LF.
    for (uint32_t at = 0; ok && at < end;) {
        const char* line = text + at;
        const char* eol = std::strchr(line, '\n');
        const size_t n = eol ? static_cast<size_t>(eol - line) : std::strlen(line);
        const size_t len = n && line[n - 1] == '\r' ? n - 1 : n;
        const char* eq = static_cast<const char*>(std::memchr(line, '=', len));
        WCHAR key[kListKeyChars] = {}, value[kListKeyChars] = {};
        ok = eq && AnsiToWideBounded(line, static_cast<size_t>(eq - line), key, kListKeyChars) &&
             AnsiToWideBounded(eq + 1, len - static_cast<size_t>(eq - line) - 1, value, kListKeyChars) &&
             put(file, section, key, value);
        at += static_cast<uint32_t>(n + 1);
    }
    MemFree(text);
    return ok;
}

// The key of a "key=value" entry: its length, up to the "=".
size_t keyLength(const WCHAR* entry) {
    size_t n = 0;
    while (entry[n] && entry[n] != u'=') ++n;
    return n;
}

bool sameKey(const WCHAR* a, const WCHAR* b) {
    const size_t n = keyLength(a);
    if (keyLength(b) != n) return false;
    for (size_t i = 0; i < n; ++i) {
        WCHAR x = a[i], y = b[i];
        if (x >= u'a' && x <= u'z') x = static_cast<WCHAR>(x - 32);
        if (y >= u'a' && y <= u'z') y = static_cast<WCHAR>(y - 32);
        if (x != y) return false;
    }
    return true;
}

bool blockHasKey(const WCHAR* block, const WCHAR* entry) {
    for (const WCHAR* e = block; *e; e += WLen(e) + 1)
        if (sameKey(e, entry)) return true;
    return false;
}

// Appends the entries of `block` (those not in `skip`, when given) to
// `out` at *at; false when they do not fit in `cap`.
bool appendBlock(WCHAR* out, size_t* at, size_t cap, const WCHAR* block, const WCHAR* skip) {
    for (const WCHAR* e = block; *e; e += WLen(e) + 1) {
        if (skip && blockHasKey(skip, e)) continue;
        const size_t n = WLen(e) + 1;
        if (*at + n + 1 > cap) return false;
        for (size_t i = 0; i < n; ++i) out[(*at)++] = e[i];
    }
    out[*at] = 0;
    return true;
}

// The device options 10001-10277 and 907-947 added to the language section
// the settings export wrote (an option transfer writes a section whole, so
// they pass through a scratch file beside the bundle).
bool addDeviceOptions(const WCHAR* bundle, const WCHAR* lang, DrvContext* ctx) {
    WCHAR scratch[kWsPathChars];
    if (!ScenarioSiblingPath(bundle, u"tmp", scratch)) return false;
    constexpr DWORD kAll = 3 * kSectionChars;
    WCHAR* mem = static_cast<WCHAR*>(MemAllocZero((3 * kSectionChars + kAll) * sizeof(WCHAR)));
    if (!mem) return false;
    WCHAR* kept = mem;
    WCHAR* first = mem + kSectionChars;
    WCHAR* second = mem + 2 * kSectionChars;
    WCHAR* merged = mem + 3 * kSectionChars;
    auto section = [&](const WCHAR* file, WCHAR* into) { return readSection(file, lang, into); };
    bool ok = OptRangeTransfer(scratch, kStWrite, ctx, lang, 10001, 10277) && section(scratch, first) &&
              OptRangeTransfer(scratch, kStWrite, ctx, lang, 907, 947) && section(scratch, second) &&
              section(bundle, kept);
    size_t at = 0;
    merged[0] = 0;
    ok = ok && appendBlock(merged, &at, kSectionChars, kept, first) && appendBlock(merged, &at, kSectionChars, first, nullptr) &&
         appendBlock(merged, &at, kSectionChars, second, nullptr) && WritePrivateProfileSectionW(lang, merged, bundle);
    ForceDeleteFile(scratch);
    MemFree(mem);
    return ok;
}

bool bundleSections(const WCHAR* bundle, DrvContext* ctx, SectionCopier& copier, const WCHAR* lang) {
    const WCHAR* ini = GetIniFilePath(ctx);
    WCHAR iniPath[kWsPathChars];
    if (!WCopyWhole(iniPath, kWsPathChars, ini) || !iniPath[0]) return false;
    // The header of the settings file and the device options.
    bool ok = writeRstHeader(bundle, lang, ctx) && addDeviceOptions(bundle, lang, ctx);
    WCHAR section[kListKeyChars];
    ok = ok && putNumber(bundle, lang, u"FreeSizeCount", kFreeSizeSlots);
    for (int i = 0; ok && i < kFreeSizeSlots; ++i) {
        FormatFreeSizeSection(section, i, ctx);
        ok = copier.copy(iniPath, section, bundle, section, false);
    }
    const int stamps = GetStampCount(ctx);
    ok = ok && putNumber(bundle, lang, u"StampCount", stamps);
    for (int i = 0; ok && i < stamps; ++i) {
        FormatStampSection(section, i, ctx);
        ok = copier.copy(iniPath, section, bundle, section, true);
    }
    return ok;
}

// Preset or quality file `index`: the listed file's printer section as its
// language section, its list name (and comment), its conditions.
bool memberFile(DrvContext* ctx, const Names& names, bool quality, int index, SectionCopier& copier,
                const WCHAR* lang, WCHAR* outPath) {
    const WCHAR* printer = ctx->ws->printerName;
    WCHAR ini[kWsPathChars], key[kListKeyChars], source[kWsPathChars] = {}, text[kPresetCommentBytes] = {};
    WCHAR name[kWsPathChars];
    if (!WCopyWhole(ini, kWsPathChars, GetIniFilePath(ctx)) || !names.member(quality, index, outPath, name))
        return false;
    if (quality) FormatQualityKey(key, index);
    else FormatPresetKey(key, index, 0);
    IniGetString(printer, key, u"", source, kWsPathChars, ini);
    if (!source[0] || !copier.copy(source, printer, outPath, lang, true)) return false;
    WCHAR nameKey[kListKeyChars];
    if (quality) {
        WCopyWhole(nameKey, kListKeyChars, key);
        WAppendWhole(nameKey, kListKeyChars, u"Name");
        IniGetString(printer, nameKey, u"", text, kPresetCommentBytes, ini);
        if (!put(outPath, lang, u"qualityname", text)) return false;
    } else {
        IniGetString(printer, FormatPresetKey(nameKey, index, 1), u"", text, kPresetCommentBytes, ini);
        if (!put(outPath, lang, u"setname", text)) return false;
        IniGetString(printer, FormatPresetKey(nameKey, index, 2), u"", text, kPresetCommentBytes, ini);
        if (!put(outPath, lang, u"setcomment", text)) return false;
        if (!copier.copy(source, u"condition", outPath, u"condition", false) ||
            !copier.copy(source, u"disable", outPath, u"disable", false))
            return false;
    }
    return ScenarioWriteHeader(outPath, ctx) != 0;
}

}  // namespace

int ScenarioWriteHeader(const WCHAR* file, DrvContext* ctx) {
    if (!file || !ctx) return 0;
    return put(file, kScenarioSection, u"DriverType", u"VESK") &&
                   put(file, kScenarioSection, u"RstFileOSVersion", u"1") &&
                   put(file, kScenarioSection, u"DriverVersion", kDriverInstVersion) &&
                   put(file, kScenarioSection, u"DrvInst", PrnGetDriverName(ctx))
               ? 1
               : 0;
}

int ScenarioExport(const WCHAR* savedFile, const WCHAR* bundlePath, DrvContext* ctx) {
    if (!savedFile || !bundlePath || !ctx || !ctx->ws) return 0;
    Names names;
    SectionCopier copier;
    WCHAR listFile[kWsPathChars];
    if (!copier || !names.fromBundle(bundlePath) || !ScenarioSiblingPath(savedFile, u"lst", listFile)) return 0;
    WCHAR lang[kListKeyChars];
    if (!WCopyWhole(lang, kListKeyChars, GetLangCode(ctx)) || !lang[0]) return 0;
    const int presets = GetPresetCount(ctx);
    const int qualities = GetQualityCount(ctx);
    // Index characters end at "Z": more files than that have no name.
    if (presets < 0 || qualities < 0 || presets > kPresetSlots || qualities > kScenarioMaxIndex) return 0;

    if (!ScenarioWriteHeader(savedFile, ctx)) return 0;
    if (!bundleLists(bundlePath, names, presets, qualities, lang) || !bundleSections(bundlePath, ctx, copier, lang) ||
        !ScenarioWriteHeader(bundlePath, ctx) || !put(bundlePath, kScenarioSection, u"DefaultRstName", savedFile))
        return 0;
    WCHAR path[kWsPathChars], name[kWsPathChars];
    for (int i = 0; i < presets + qualities; ++i)
        if (!memberFile(ctx, names, i >= presets, i >= presets ? i - presets : i, copier, lang, path)) return 0;

    WCHAR key[kListKeyChars];
    bool ok = put(listFile, kScenarioSection, u"MARENVESKDriverFileList", u"1") &&
              put(listFile, kScenarioSection, u"DefaultRst", bundlePath);
    for (int i = 0; ok && i < presets + qualities; ++i)
        ok = names.member(i >= presets, i >= presets ? i - presets : i, path, name) &&
             put(listFile, kScenarioSection, numbered(key, "OtherFiles", i + 1), path);
    return ok && ScenarioWriteHeader(listFile, ctx) ? 1 : 0;
}

}  // namespace vesk
