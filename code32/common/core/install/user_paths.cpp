// The per-user INI's list paths under terminal services: entries that still
// point into the common directory move to the user's, and a user's old
// low-integrity copy is taken over once.
#include <win/windows.h>

#include "core/files.h"
#include "core/ini_wrap.h"
#include "core/install/install_ini.h"
#include "core/install/install_internal.h"
#include "core/install/install_steps.h"
#include "core/lists/lists.h"
#include "core/paths.h"
#include "core/persist/opt_persist.h"
#include "core/wstr.h"

namespace vesk {
namespace {

using namespace install;

constexpr WCHAR kTsDoneKey[] = u"TSIniCorrectDone";
constexpr WCHAR kLowDoneKey[] = u"LocalLowCorrectDone";
constexpr DWORD kNameChars = 514;

bool sameFolder(const WCHAR* path, const WCHAR* folder) {
    WCHAR dir[kWsPathChars];
    return FolderOf(dir, kWsPathChars, path) && WEqualNoCase(dir, folder);
}

// Points entry `key` of `ini` at `toDir` and copies its file's sections
// from the old file to the new one.
bool moveEntry(const WCHAR* ini, const WCHAR* printer, const WCHAR* key, const WCHAR* path, const WCHAR* toDir,
               uint32_t sections) {
    WCHAR moved[kWsPathChars];
    if (!JoinPath(moved, kWsPathChars, toDir, FileNamePart(path))) return false;
    const bool ok = IniWriteString(printer, key, moved, ini) != 0;
    CopyListFileSections(path, moved, printer, sections);
    return ok;
}

// The language code of the printer's language section, "us" without one.
void languageCode(HANDLE printer, const PRINTER_INFO_2W* info, WCHAR* code) {
    WCopyCut(code, 8, u"us");
    DrvContext* ctx = CtxCreateEx(printer, printer, nullptr, kKindOrdinary, kCreateInterface, 0, info);
    if (!ctx) return;
    const WCHAR* lang = GetLangSection(ctx);
    if (lang && lang[0]) WCopyCut(code, 8, lang);
    CtxReleaseEx(ctx, kReleaseFree);
}

// The old copy's printer section and the list entries in its folder.
bool takePrinterSection(const WCHAR* old, const WCHAR* oldDir, const WCHAR* name, const WCHAR* user,
                        const WCHAR* userDir) {
    bool ok = CopySection(old, name, user, name);
    for (const ListKind* list : kLists) {
        const int n = static_cast<int>(IniGetInt(name, list->countKey, 0, user));
        for (int i = 0; i < n && i < 0x100; ++i) {
            WCHAR key[kKeyChars], path[kWsPathChars] = {};
            IniGetString(name, ListKey(key, *list, i, ""), u"", path, kWsPathChars, user);
            if (!sameFolder(path, oldDir)) continue;
            const uint32_t sections = kMoveDisable | (list->presets ? kMoveCondition : 0);
            ok = moveEntry(user, name, key, path, userDir, sections) && ok;
        }
    }
    WCHAR merge[kWsPathChars] = {};
    IniGetString(name, u"DrvDefJobMergePath", u"", merge, kWsPathChars, user);
    const size_t n = WLen(oldDir);
    WCHAR head[kWsPathChars];
    WCopyCut(head, n + 1, merge);
    if (WLen(merge) >= n && WEqualNoCase(head, oldDir) &&
        (merge[n] == 0 || merge[n] == u'\\')) {
        WCHAR moved[kWsPathChars];
        if (WCopyWhole(moved, kWsPathChars, userDir) && WAppendWhole(moved, kWsPathChars, merge + n))
            ok = IniWriteString(name, u"DrvDefJobMergePath", moved, user) && ok;
        else
            ok = false;
    }
    return ok;
}

// The old copy's stamps and free sizes of the language, and the default
// bundle's files the old folder holds.
bool takeLanguageSection(const WCHAR* old, const WCHAR* oldDir, const WCHAR* name, const WCHAR* lang,
                         const WCHAR* user, const WCHAR* userDir) {
    bool ok = true;
    for (const char* stem : {"Stamp%d", "FreeSize%d"}) {
        const WCHAR* countKey = stem[0] == 'S' ? u"StampCount" : u"FreeSizeCount";
        const ListKind sections{stem, countKey, nullptr, false};
        const int n = static_cast<int>(IniGetInt(lang, countKey, 0, old));
        for (int i = 0; i < n && i < 0x100; ++i) {
            WCHAR section[kKeyChars + 8];
            ListKey(section, sections, i, "");
            if (!WAppendWhole(section, kKeyChars + 8, lang)) continue;
            ok = CopySection(old, section, user, section) && ok;
        }
    }
    WCHAR bundle[kWsPathChars] = {};
    IniGetString(name, u"DefaultRst", u"", bundle, kWsPathChars, user);
    if (!bundle[0]) return ok;
    for (const char* stem : {"Deficonfiles%d", "Defqualityfiles%d"}) {
        const ListKind entries{stem, stem[3] == 'i' ? u"NumDeficonfiles" : u"NumDefqualityfiles", nullptr, false};
        const UINT n = IniGetInt(lang, entries.countKey, 0xFFFF, bundle);
        for (UINT i = 1; n != 0xFFFF && i <= n && i < 0xFFFF; ++i) {
            WCHAR key[kKeyChars], entry[kWsPathChars] = {};
            IniGetString(lang, ListKey(key, entries, static_cast<int>(i), ""), u"", entry, kWsPathChars, bundle);
            bool sysdir = false;
            const WCHAR* tail = nullptr;
            for (const WCHAR* p = entry; *p; ++p) {
                if (*p == u'%') tail = p + 1;
                WCHAR probe[9];
                WCopyCut(probe, 9, p);
                if (WEqualNoCase(probe, u"%sysdir%")) sysdir = true;
            }
            if (!sysdir || !tail || !tail[0]) continue;
            WCHAR from[kWsPathChars], to[kWsPathChars];
            if (!WCopyWhole(from, kWsPathChars, oldDir) || !WAppendWhole(from, kWsPathChars, tail) ||
                !WCopyWhole(to, kWsPathChars, userDir) || !WAppendWhole(to, kWsPathChars, tail))
                continue;
            if (FileExists(from)) ok = CopyFileW(from, to, FALSE) && ok;
        }
    }
    return ok;
}

}  // namespace

int GetTsIniState(HANDLE printer, const PRINTER_INFO_2W* info) {
    WCHAR name[kWsPrinterNameChars], user[kWsPathChars] = {};
    if (!PrinterName(printer, info, name) || !GetIniFilePathEx(user, 1) || !user[0]) return kTsIniError;
    if (GetFileAttributesW(user) == INVALID_FILE_ATTRIBUTES) return kTsIniNoList;
    if (IniGetFlag(name, kTsDoneKey, user)) return kTsIniCorrected;
    WCHAR count[16] = {};
    IniGetString(name, u"Count", u"", count, 16, user);
    return count[0] ? kTsIniToCorrect : kTsIniNoList;
}

int TsIniCorrectPaths(HANDLE printer, const PRINTER_INFO_2W* info) {
    WCHAR name[kWsPrinterNameChars], common[kWsPathChars], user[kWsPathChars], commonDir[kWsPathChars],
        userDir[kWsPathChars];
    if (!PrinterName(printer, info, name) || !IniAndFolder(0, common, commonDir) || !IniAndFolder(1, user, userDir))
        return kTsIniError;
    if (IniGetFlag(name, kTsDoneKey, user)) return kTsIniCorrected;
    for (const ListKind* list : kLists) {
        const int n = static_cast<int>(IniGetInt(name, list->countKey, 0, user));
        for (int i = 0; i < n && i < 0x100; ++i) {
            WCHAR key[kKeyChars], nameKey[kKeyChars], path[kWsPathChars] = {}, label[kNameChars] = {};
            IniGetString(name, ListKey(key, *list, i, ""), u"", path, kWsPathChars, user);
            IniGetString(name, ListKey(nameKey, *list, i, "Name"), u"", label, kNameChars, user);
            if (!path[0] || !FileNamePart(path) || !label[0]) return kTsIniNoList;
            if (!sameFolder(path, commonDir)) continue;
            if (!moveEntry(user, name, key, path, userDir, list->presets ? kMoveCondition | kMoveDisable : 0))
                return kTsIniError;
        }
    }
    return IniWriteString(name, kTsDoneKey, u"1", user) ? kTsIniCorrected : kTsIniError;
}

int LocalLowCorrect(HANDLE printer, const PRINTER_INFO_2W* given) {
    InfoHold hold(printer, given);
    WCHAR name[kWsPrinterNameChars], user[kWsPathChars], userDir[kWsPathChars], lang[8];
    if (!PrinterName(printer, hold.info, name) || !IniAndFolder(1, user, userDir)) return 0;
    languageCode(printer, hold.info, lang);
    const bool printerDone = IniGetFlag(name, kLowDoneKey, user) != 0;
    const bool langDone = IniGetFlag(lang, kLowDoneKey, user) != 0;
    if (printerDone && langDone) return 1;
    if (!EnsureParentDir(user)) return 0;
    WCHAR low[kWsPathChars] = {}, oldDir[kWsPathChars] = {}, old[kWsPathChars] = {};
    const bool found = GetLocalAppDataLowDir(low, kWsPathChars) && JoinPath(oldDir, kWsPathChars, low, u"_vesk") &&
                       JoinPath(old, kWsPathChars, oldDir, u"KW12D170.ini") && FileExists(old);
    bool ok = true;
    if (found && !printerDone) ok = takePrinterSection(old, oldDir, name, user, userDir) && ok;
    if (found && !langDone) ok = takeLanguageSection(old, oldDir, name, lang, user, userDir) && ok;
    if (!ok) return 0;
    if (!printerDone && !IniWriteString(name, kLowDoneKey, u"1", user)) return 0;
    if (!langDone && !IniWriteString(lang, kLowDoneKey, u"1", user)) return 0;
    return 1;
}

}  // namespace vesk
