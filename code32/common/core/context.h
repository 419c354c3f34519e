// The driver context: the unit of work of the common library. A context is a
// deep copy of the built-in template (its own item table, page table with
// control arrays, driver description and workspace; the symbol, value-symbol
// and message tables stay shared), plus the printer's compiled model and
// DEVMODE for the kinds that have them.
#pragma once
#include <maker/zorjc32.h>
#include <win/types.h>

#include "core/dictionary.h"
#include "core/driver_desc.h"
#include "core/item.h"
#include "core/printer_info.h"
#include "core/ui_table.h"

namespace vesk {

struct MdlImage;

// Kind word: low byte the kind, high byte options.
constexpr uint16_t kKindOrdinary = 0;
constexpr uint16_t kKindFirstLight = 4;         // kinds 4 and above: no model, no DEVMODE
constexpr uint16_t kKindOptMutexHeld = 0x100;
constexpr uint16_t kKindOptAdmin = 0x200;
constexpr uint16_t kKindOptReuse = 0x800;
constexpr uint16_t kKindOptAnyHandle = 0x1000;

// Creation flags.
constexpr uint32_t kCreateInterface = 0x80000000u;
constexpr uint32_t kCreateApiCaller = 0x20000000u;   // stored for a caller's 0x10000
constexpr uint32_t kCreateMergeNoUi = 0x2000000u;
constexpr uint32_t kCreateDeviceCaps = 0x1000000u;
constexpr uint32_t kCreateInstallRunning = 0x40000u;
constexpr uint32_t kCreateCallerApi = 0x10000u;

// Release types.
constexpr uint16_t kReleaseCache2 = 0;
constexpr uint16_t kReleaseCache1 = 4;
constexpr uint16_t kReleaseFree = 5;

constexpr size_t kWsDriverNameChars = 65;
constexpr size_t kWsDisplayChars = 522;
constexpr size_t kWsPrinterNameChars = 261;
constexpr size_t kWsPathChars = 261;
constexpr size_t kWsCachedItems = 52;
constexpr size_t kWsFreeSizeSlots = 10;
constexpr size_t kWsFreeSizeNameBytes = 64;
constexpr size_t kWsUserCodeChars = 9;

constexpr size_t kWsPresetSlots = 16;
constexpr size_t kWsDialogTextChars = 522;

// One slot of the free-size cache (200 bytes): its display name without and
// with the size, the user's name of the size (ANSI, at most 63 characters)
// and its size in 1200-dpi dots.
struct WsFreeSize {
    char displayName[kWsFreeSizeNameBytes];
    char displayNameSized[kWsFreeSizeNameBytes];
    char userName[kWsFreeSizeNameBytes];
    int32_t width;
    int32_t length;
};
static_assert(sizeof(WsFreeSize) == 200);

// The job-control library as a context holds it (jobctl/jc_client.h): zero
// while nothing is loaded; the connection is 0 while none is open.
struct JcWorkspace {
    HMODULE module;
    HANDLE connection;
    JcGetInterfaceFn getInterface;
    JcDisposeInterfaceFn disposeInterface;
    JcInterface* table;
    uint16_t version;  // 258 or 257
};

// The user-code provider library while a query runs (usercode/user_code.h).
constexpr size_t kUcProviderCodeBytes = 32;
struct UcProviderWorkspace {
    HMODULE module;
    void* openEntry;
    void* closeEntry;
    void* getCodeEntry;
    HANDLE connection;
    char code[kUcProviderCodeBytes];
    char savedCode[kWsUserCodeChars];
};

struct DrvWorkspace {
    uint32_t saveLevel;           // levels on the save stack
    BYTE* saveStack[3];           // the first three levels, from the bottom
    uint32_t documentMode;        // fMode of the last document-properties request
    uint16_t evalTop;             // condition evaluator (model/eval.h)
    BYTE* evalStack;
    uint32_t itemsChanged;
    uint16_t kind;                // low byte of the kind word
    WCHAR languageCode[3];
    WCHAR driverName[kWsDriverNameChars];
    WCHAR displayBuffer[kWsDisplayChars];
    WCHAR printerName[kWsPrinterNameChars];
    void* documentInput;
    void* documentOutput;
    uint32_t changeHistory[3];    // change mask saved with each of the first three levels
    BYTE** saveDeeper;            // levels past the third, grown on demand
    uint32_t* historyDeeper;
    uint32_t saveDeeperCapacity;
    uint32_t changeMask;
    uint32_t keptSubstTable;      // handle of the kept substitution table
    uint16_t keptSubstCount;
    bool substKept;               // a table (0 too) is kept: later replacements free theirs
    uint32_t presetFlag;
    HANDLE drawObjects[2];
    BYTE* shadow;                 // snapshot of the DEVMODE
    uint16_t kindOptions;         // high byte of the kind word
    uint32_t creationFlags;
    uint32_t serverConnection;    // 0 unknown, 1 connection to a server, 2 local
    uint32_t attributesKnown;
    uint32_t attributes;
    uint32_t mergeFlags;
    uint32_t flags;               // workspace flags (0x40000000: clamp numeric options)
    // Paths the path services keep; each call recomputes and overwrites its
    // field (paths of at most 260 characters and the NUL).
    WCHAR iniPath[kWsPathChars];       // the per-printer settings INI
    WCHAR setupIniPath[kWsPathChars];  // the setup INI of the driver directory
    WCHAR driverDir[kWsPathChars];     // driver directory (help and resource paths extend it)
    WCHAR instIniPath[kWsPathChars];   // the installer INI
    WCHAR scratchPath[kWsPathChars];   // file names on their way to printer data
    // Descriptors of the items the computed items read, found on first use
    // (computed/cached_items.h); never values, never cleared.
    DmItem* itemCache[kWsCachedItems];
    // Display language, default paper and unit of the printer and the
    // country code of the user's locale, with the installer's user-code
    // hand-over (core/locale.h).
    uint16_t dispLang;
    uint16_t defPaper;
    uint16_t defUnit;
    uint16_t countryCode;
    uint8_t userCode;
    uint8_t userCodeFix;
    WCHAR userCodeString[kWsUserCodeChars];
    // Free-size slots, filled by the free-size list (core/lists) once per
    // change-mask epoch.
    WsFreeSize freeSizes[kWsFreeSizeSlots];
    // The preset-device and stamp items of each preset slot as last loaded
    // (core/lists), null when none.
    BYTE* presetSnapshots[kWsPresetSlots];
    // Text of the wait window.
    WCHAR scratchText[kWsPrinterNameChars];
    // 1 after a settings file's header was rejected.
    uint32_t rejectedFile;
    // Job control and the user-code provider.
    JcWorkspace jc;
    UcProviderWorkspace ucProvider;
    // 1 once the installer's hand-over applied a user code to the printer.
    uint32_t userCodeApplied;
    // The model-database name of the printer (core/model_db.h).
    WCHAR modelDbName[33];
    // Kind of the property sheet the context serves: 0 none, 1 document,
    // 2 printer (the interface library's save step reads it).
    uint32_t sheetKind;
    // The interface library's property-sheet session while one runs on the
    // context (its sheet code owns and frees it before the context goes).
    void* uiSession;
    // The status array of a versioned-API handle (owned by the option-
    // constraint library's handle code), null elsewhere.
    struct ApiStatusArray* apiStatus;
    // The interface library's page-hook state (address book, the context's
    // own attribute copies), freed with the context by its release function.
    void* uiHookState;
    void (*uiHookStateFree)(void* state);
    // The interface library's file dialogs and dialog pages: the path last
    // chosen, the free-size slot being edited, the device values a preset
    // refresh found ({item index, value} pairs ended by index 0; freed with
    // the context). Their go-ahead and the button pressed in the preset file
    // dialog are the page state's.
    WCHAR lastChosenPath[kWsDialogTextChars];
    int32_t freeSizeSlot;
    uint32_t* devInfoCaptureList;
};

struct DrvContext {
    HANDLE printer;
    HANDLE driverQuery;
    void* reserved;
    DmItemTable* items;
    UiPageTable* pages;
    const SymbolTable* symbols;
    const ValueSymbolTable* valueSymbols;
    const MessageTable* messages;
    DriverDesc* desc;
    BYTE* devmode;                // null for light kinds
    const MdlImage* model;        // shared from the process list; never freed here
    DrvWorkspace* ws;
    HMODULE resourceLibrary1;
    HMODULE resourceLibrary2;
    // The context's own page table while it is not filled yet (CtxPages);
    // null once filled, and in a context that shares the template's.
    UiPageTable* pagesPending;
};

// The context's page table, to read or change. A library whose contexts
// each have their own pages fills the context's copy at the first call;
// until then `pages` is the template's, which is read-only. Every use of a
// context's pages goes through here.
void CtxFillPages(DrvContext* ctx);
inline UiPageTable* CtxPages(DrvContext* ctx) {
    if (!ctx) return nullptr;
    if (ctx->pagesPending) CtxFillPages(ctx);
    return ctx->pages;
}

// The built-in read-only template every context is cloned from.
const DrvContext* GetContextTemplate();

// Creation: the context, or null. The printer information may be null; the
// context then fetches it.
DrvContext* CtxCreateEx(HANDLE printer, HANDLE driverQuery, void* ignored, uint16_t kindWord,
                        uint32_t flags, uint32_t documentMode, const PRINTER_INFO_2W* info);
// As CtxCreateEx, with the step that gives a new ordinary context its
// settings at its open (none when null).
using CtxOpenSettingsFn = int (*)(DrvContext* ctx);
DrvContext* CtxCreateExUsing(HANDLE printer, HANDLE driverQuery, void* ignored, uint16_t kindWord, uint32_t flags,
                             uint32_t documentMode, const PRINTER_INFO_2W* info, CtxOpenSettingsFn openSettings);
// The common step: persisted settings, then the installer's hand-over where
// the library applies it.
int CtxOpenSettings(DrvContext* ctx);
DrvContext* CtxCreate(HANDLE printer, HANDLE driverQuery, void* ignored, uint32_t flags);
DrvContext* CtxCreateWith(HANDLE printer, HANDLE driverQuery, void* ignored, uint16_t kindWord, uint32_t flags);
DrvContext* CtxCreateFromInfo(HANDLE printer, HANDLE driverQuery, void* ignored, uint32_t flags,
                              const PRINTER_INFO_2W* info);
DrvContext* CtxCreateFull(HANDLE printer, HANDLE driverQuery, void* ignored, uint32_t flags,
                          uint32_t documentMode, const PRINTER_INFO_2W* info);

// Release: type 0 offers the context to cache 2, 4 to cache 1, any other
// type frees it at once.
void CtxReleaseEx(DrvContext* ctx, uint16_t type);
void CtxRelease(DrvContext* ctx);
void CtxReleaseAs(DrvContext* ctx, uint16_t type);

// Snapshot of the DEVMODE into the shadow buffer with the shadow's own copies
// of the font tables. 0 without a shadow or DEVMODE, else 1.
int CtxSnapshotDevmode(DrvContext* ctx);
// Frees the shadow's font tables. 0 without a shadow, else 1.
int CtxFreeFontTables(DrvContext* ctx);

// Accessors.
BYTE* CtxGetDevmode(DrvContext* ctx);
// The process-wide install-running flag: while set, every context is created
// with creation flag 0x40000.
void SetInstallRunning(bool on);
bool InstallRunning();
// The installing mark of the interface library's conversions and printer
// events: a nesting count, so that overlapping installs (events may come on
// several spooler threads) keep the mark until the last one leaves. Every
// context created while it is above 0 carries flag 0x40000.
void InstallMarkEnter();
void InstallMarkLeave();
int InstallMarkDepth();

// Frees every part of a context that is not in a cache (release type 5).
void CtxFree(DrvContext* ctx, uint16_t type);

}  // namespace vesk
