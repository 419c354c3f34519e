// The scenario's names: the bundle's folder and file, its base-36 digits.
#include <win/files.h>

#include <cstdio>

#include "core/files.h"
#include "core/paths.h"
#include "core/scenario/scenario.h"
#include "core/wstr.h"

namespace vesk {

namespace {

constexpr uint32_t kDigitsModulo = 36u * 36u * 36u * 36u * 36u * 36u;
// "\vesk\", the 14-character stamp, "\R", six digits, "1.rsb" and the NUL.
constexpr size_t kBundleReserve = 34;
constexpr WCHAR kVeskFolder[] = u"\\vesk";

void appendAscii(WCHAR* dest, size_t cap, const char* text) {
    size_t n = WLen(dest);
    for (; *text && n + 1 < cap; ++text) dest[n++] = static_cast<WCHAR>(*text);
    dest[n] = 0;
}

}  // namespace

uint32_t ScenarioSecondCount(const SYSTEMTIME& t) {
    const int64_t hours = t.wHour + 24LL * (t.wDay - 1) + 744LL * (t.wMonth - 1) + 8928LL * (t.wYear - 1970);
    const int64_t seconds = t.wSecond + 60LL * (t.wMinute + 60LL * hours);
    return static_cast<uint32_t>(static_cast<uint64_t>(seconds));
}

void ScenarioDigitsOf(uint32_t count, WCHAR* out) {
    uint32_t v = count % kDigitsModulo;
    for (size_t i = kScenarioDigits; i-- > 0;) {
        out[i] = ScenarioIndexChar(static_cast<int>(v % 36));
        v /= 36;
    }
    out[kScenarioDigits] = 0;
}

void ScenarioDigitsIncrement(WCHAR* digits) {
    for (size_t i = kScenarioDigits; i-- > 0;) {
        WCHAR& d = digits[i];
        if (d == u'Z') {
            d = u'0';
            continue;
        }
        d = d == u'9' ? u'A' : static_cast<WCHAR>(d + 1);
        return;
    }
}

WCHAR ScenarioIndexChar(int index) {
    if (index < 0 || index >= kScenarioMaxIndex) return 0;
    return static_cast<WCHAR>(index < 10 ? u'0' + index : u'A' + (index - 10));
}

int ScenarioSiblingPath(const WCHAR* savedFile, const WCHAR* ext, WCHAR* out) {
    out[0] = 0;
    if (!savedFile || !WCopyWhole(out, kWsPathChars, savedFile)) return 0;
    WCHAR* dot = nullptr;
    for (WCHAR* p = out; *p; ++p) {
        if (*p == u'\\') dot = nullptr;
        else if (*p == u'.') dot = p;
    }
    if (!dot) {
        out[0] = 0;
        return 0;
    }
    dot[1] = 0;
    if (!WAppendWhole(out, kWsPathChars, ext)) {
        out[0] = 0;
        return 0;
    }
    return 1;
}

int MakeBackupNameAt(const WCHAR* savedFile, WCHAR* bundlePath, DrvContext* ctx, const SYSTEMTIME& t) {
    if (!savedFile || !bundlePath) return 0;
    bundlePath[0] = 0;
    // The saved file's name without its extension.
    const WCHAR* start = savedFile;
    for (const WCHAR* p = savedFile; *p; ++p)
        if (*p == u'\\' || *p == u':') start = p + 1;
    WCHAR name[kWsPathChars] = {};
    WCopyCut(name, kWsPathChars, start);
    for (size_t i = WLen(name); i-- > 0;)
        if (name[i] == u'.') {
            name[i] = 0;
            break;
        }
    WCHAR dir[kWsPathChars] = {};
    const size_t privLen = GetPrivateDir(dir, kWsPathChars, ctx);
    if (privLen == 0 || privLen + kBundleReserve >= kMaxPathChars) return 0;
    const size_t room = kMaxPathChars - privLen - kBundleReserve;
    if (WLen(name) > room) name[room] = 0;

    if (!CreateDirectoryIfMissing(dir)) return 0;
    WAppendWhole(dir, kWsPathChars, kVeskFolder);
    if (!CreateDirectoryIfMissing(dir)) return 0;
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "\\%04d%02d%02d%02d%02d%02d", t.wYear % 10000, t.wMonth % 100, t.wDay % 100,
                  t.wHour % 100, t.wMinute % 100, t.wSecond % 100);
    appendAscii(dir, kWsPathChars, stamp);
    if (!WAppendWhole(dir, kWsPathChars, name) || !CreateDirectoryIfMissing(dir)) return 0;
    WCHAR digits[kScenarioDigits + 1];
    ScenarioDigitsOf(ScenarioSecondCount(t), digits);
    if (!WCopyWhole(bundlePath, kWsPathChars, dir) || !WAppendWhole(bundlePath, kWsPathChars, u"\\R") ||
        !WAppendWhole(bundlePath, kWsPathChars, digits) || !WAppendWhole(bundlePath, kWsPathChars, u"1.rsb")) {
        bundlePath[0] = 0;
        return 0;
    }
    return 1;
}

int MakeBackupName(const WCHAR* savedFile, WCHAR* bundlePath, DrvContext* ctx) {
    SYSTEMTIME t{};
    GetLocalTime(&t);
    return MakeBackupNameAt(savedFile, bundlePath, ctx, t);
}

}  // namespace vesk
