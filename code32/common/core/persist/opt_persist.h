// Option values between a context's items and their persistent homes: the
// printer's printer data (device settings, class 2) and the per-printer INI
// (document settings, classes 1 and 3). Each item says by itself whether,
// where and under which name it is kept (item table: section, persistence
// kind, value name, INI section); the class walks apply that description.
// Results are 1 for success and 0 for failure unless said otherwise.
#pragma once
#include <win/types.h>

#include "core/context.h"
#include "core/locks.h"
#include "core/persist/ini_snapshot.h"

namespace vesk {

// Holds the named mutex for a walk over persisted settings, unless the
// context was created under it.
class WalkMutex {
public:
    explicit WalkMutex(const DrvContext* ctx) : take_(!(ctx->ws->kindOptions & kKindOptMutexHeld)) {
        if (take_) TsMutexWait();
    }
    ~WalkMutex() {
        if (take_) TsMutexRelease();
    }
    WalkMutex(const WalkMutex&) = delete;
    WalkMutex& operator=(const WalkMutex&) = delete;

private:
    bool take_;
};

// True for a path that starts with a drive letter: the INI and settings
// files are worked on only there.
inline bool isDrivePath(const WCHAR* p) { return p && p[0] && p[1] == u':'; }

// Persistence kinds of an item.
constexpr uint16_t kPersistPrinterData = 1;
constexpr uint16_t kPersistIni = 2;

// Flags of the class walks.
constexpr uint32_t kOptLoadViaBridge = 0x10;         // printer data through the configuration bridge
constexpr uint32_t kOptSaveDeviceInfoOnly = 0x1;     // only the device-information items
constexpr uint32_t kOptSaveAll = 0x80000000u;        // no changed-only rule

// The action word: items 224 to 239 are bits 0 to 15 of one 16-bit word,
// kept in the INI under this key.
constexpr int kActionFirstItem = 224;
constexpr int kActionLastItem = 239;
extern const WCHAR kActionWordKey[];

// Selector -1: every class, then the font lists; 1: classes 3 and 1; 2:
// class 2 and the font lists; other selectors do nothing. Always 1.
int OptLoadClasses(HANDLE printer, int selector, DrvContext* ctx);
// Loads class 1, 2 or 3 (-1: all). Flag 0x10 reads printer data through the
// configuration bridge `bridge`. Always 1 (per-item results are ignored).
int OptLoadClass(HANDLE printer, DrvContext* ctx, int optionClass, uint32_t flags, HANDLE bridge);
int OptLoadClassAlias(HANDLE printer, DrvContext* ctx, int optionClass, uint32_t flags);
// Saves a class: flag 0x1 only the device-information items, bit 31 every
// item (else, in a context of kind 0 saving class 2, only the items whose
// bytes differ from the shadow DEVMODE). Always 1.
int OptSaveClass(HANDLE printer, DrvContext* ctx, int optionClass, uint32_t flags);
int OptSaveUserClasses(HANDLE printer, DrvContext* ctx);
int OptSaveDeviceClass(HANDLE printer, DrvContext* ctx);
int OptSaveDeviceClassInstall(HANDLE printer, DrvContext* ctx);

// One item in printer data under its value name (the ByField forms: under its
// field name; 0 when it has none). A missing value leaves the item as it was.
int OptReadFromPrinterData(HANDLE printer, DrvContext* ctx, DmItem* item, uint32_t flags, HANDLE bridge);
int OptSaveToPrinterData(HANDLE printer, DrvContext* ctx, DmItem* item);
int OptReadFromPrinterDataByField(HANDLE printer, DrvContext* ctx, DmItem* item);
int OptSaveToPrinterDataByField(HANDLE printer, DrvContext* ctx, DmItem* item);

// One item in an INI: the file `iniPath` (null: the per-printer INI), or,
// with `sectionText` (loading; `cursor` kept by the caller) or
// `sectionBuffer` (saving, appended at *offset in kIniSectionBytes) an 8-bit
// INI text held in memory. The section is the item's INI section, else the
// printer's name. A path that is not a drive path does nothing and succeeds.
// Loading answers 1 only when a value was found and stored; an empty or
// missing value, or a number out of its type's range, leaves the item as it
// was. Saving into a buffer answers 0 when the line does not fit.
int OptLoadFromIni(DrvContext* ctx, DmItem* item, const WCHAR* iniPath, const char* sectionText, uint32_t* cursor);
int OptSaveToIni(DrvContext* ctx, DmItem* item, const WCHAR* iniPath, char* sectionBuffer, uint32_t* offset);
// OptLoadFromIni from the file `iniPath` (a drive path) with the item's key
// answered by `snapshot` when it holds the item's section and can answer
// it; else the key is read from the file.
int OptLoadFromIniSnapshot(DrvContext* ctx, DmItem* item, const WCHAR* iniPath, const IniSnapshot* snapshot);
// The section an item is kept under in the INI: its own, else the printer's
// name.
const WCHAR* OptIniSectionOf(DrvContext* ctx, const DmItem* item);
// Saves an item to its home (class 2 kind 1: printer data; kind 2: INI).
int OptSaveEntry(HANDLE printer, DrvContext* ctx, DmItem* item, const WCHAR* iniPath);

// The action word from the items, and into them.
uint16_t OptActionWordGet(DrvContext* ctx);
void OptActionWordSet(DrvContext* ctx, uint16_t word);
// Writes the action word to the per-printer INI; 1 written (or nothing to
// write to: no drive path).
int OptActionWordSave(DrvContext* ctx);

// Text of an item's value as the INI holds it into `dest` of `chars`
// characters; 0 when the item has no storage.
int OptFormatIniValue(DrvContext* ctx, const DmItem* item, WCHAR* dest, size_t chars);
// Stores an INI value text into the item (numbers range-checked by type,
// text bounded by the item's size). 1 stored.
int OptStoreIniValue(DrvContext* ctx, DmItem* item, const WCHAR* text);

// Creates the folder a file of a drive path goes into when it is missing
// (one level: the driver's private folder on a new machine). 1 when it
// exists afterwards.
int EnsureParentDir(const WCHAR* path);

// 1 for the items kept by the device-information walks.
int OptIsDeviceInfoItem(int id);

// The context's entries: at the open of a kind-0 context every class and the
// font lists, then the bidirectional settings file's device settings (1);
// one class (1, 2 or 3; -1 all) by the context's printer (1); the action
// word to the per-printer INI (0 when not written).
int SettingsSyncAtOpen(DrvContext* ctx);
// The device settings of the bidirectional settings file imported when the
// file has its flag set for the printer (and the printer is no client of a
// server); nothing else is written. 1 when imported, else 0.
int BidiIniImportAtOpen(DrvContext* ctx);
int OptionClassLoad(DrvContext* ctx, int optionClass);
int OptSaveActionWordToIni(DrvContext* ctx);

// Bidirectional settings: 1 when printer data "BidiFlag" can be read and
// written back unchanged (the caller may write printer data).
int BidiHasFlag(DrvContext* ctx);

}  // namespace vesk
