// Settings files (settings_file.h): the transfer, its header and the public
// import and export entries.
#include "core/persist/settings_file.h"

#include <cstdio>
#include <cstring>
#include <optional>

#include <win/devmode.h>
#include <win/profile.h>

#include "core/deploy/deploy.h"
#include "core/devmode/dm_convert.h"
#include "core/devmode/dm_defaults.h"
#include "core/devmode/dm_layout.h"
#include "core/devmode/dm_private.h"
#include "core/devmode/dm_state.h"
#include "core/files.h"
#include "core/ini_text.h"
#include "core/ini_wrap.h"
#include "core/item_ids.h"
#include "core/item_store.h"
#include "core/jobctl/jc_client.h"
#include "core/library_profile.h"
#include "core/locale.h"
#include "core/locks.h"
#include "core/paths.h"
#include "core/library_profile.h"
#include "core/lists/lists.h"
#include "core/pending_capabilities.h"
#include "core/persist/opt_persist.h"
#include "core/printer_identity.h"
#include "core/res/res.h"
#include "core/sysdeps.h"
#include "core/wstr.h"

namespace vesk {
namespace {

constexpr WCHAR kRsdSection[] = u"VESKRsdSection";
constexpr WCHAR kPrnSection[] = u"VESKPrnSection";
constexpr WCHAR kDeviceFile[] = u"KW00C172.txt";
constexpr WCHAR kMissing[] = u"\x1";   // a key that is absent reads as this
constexpr uint32_t kTableHead = 904;   // entries walked without kStDeviceInfo
constexpr uint32_t kMergeAfterImport = 0x10000008u;
constexpr size_t kKeyChars = 16;
constexpr DWORD kKeptChars = 30720;

// The item's key in a settings file into `dest`; false when it has none.
bool keyOf(const DmItem& it, WCHAR* dest) {
    if (it.fieldName && it.fieldName[0] && !(it.fieldName[0] == u'-' && !it.fieldName[1])) {
        WCopyCut(dest, kIniNameBytes, it.fieldName);
        return true;
    }
    if (it.id < 1 || it.id > 34) return false;
    char a[8];
    std::snprintf(a, sizeof a, "%d", it.id);
    size_t i = 0;
    for (; a[i]; ++i) dest[i] = static_cast<WCHAR>(a[i]);
    dest[i] = 0;
    return true;
}

// One side of a transfer: the section text read, or the buffer composed.
struct Side {
    const char* body = nullptr;   // reading
    uint32_t cursor = 0;
    char* buffer = nullptr;       // writing
    uint32_t offset = 0;
    bool overflow = false;
    bool refused = false;         // a present value that could not be stored
};

// Reads or writes one item under its key.
void moveItem(DrvContext* ctx, DmItem& it, Side& s, bool asZero = false) {
    WCHAR key[kIniNameBytes + 1];
    if (!keyOf(it, key) || !ItemGetStorage(ctx, &it)) return;
    const bool text = typeIsAddress(itemTypeCode(it));
    const size_t chars = text ? itemSize(it) + 2 : 24;
    WCHAR* value = static_cast<WCHAR*>(MemAllocZero(chars * sizeof(WCHAR)));
    if (!value) {
        s.refused = s.overflow = true;
        return;
    }
    if (s.buffer) {
        if (asZero) value[0] = u'0';
        else OptFormatIniValue(ctx, &it, value, chars);
        if (!IniTextPutKey(&s.offset, key, value, s.buffer, kIniSectionBytes)) s.overflow = true;
    } else if (s.body) {
        IniTextGetString(key, kMissing, value, chars, s.body, &s.cursor);
        const bool missing = value[0] == kMissing[0] && !value[1];
        if (!missing && value[0]) {
            if (OptStoreIniValue(ctx, &it, value)) ctx->ws->itemsChanged = 1;
            else s.refused = true;
        }
    }
    MemFree(value);
}

bool hasMark(const DmItem& it, int cls) { return it.classWords[cls] != 0; }

// The items a transfer under `flags` moves.
bool selected(const DmItem& it, uint32_t flags, bool reading) {
    const int id = it.id;
    if (id >= 430 && id <= 858) return false;
    if (!reading && !(flags & kStStamp) && id >= 894 && id <= 903) return false;
    if (flags == kStRead) return OptIsUserDocItem(id);
    if (flags == kStWrite) return OptIsNotReserved(id);
    if ((flags & kStPresetDevice) && (reading || (flags & (kStImportDriverSection | kStLanguageForm))) &&
        !hasMark(it, kClassPresetDevice))
        return false;
    if ((flags & kStAboveFive) && id <= 5) return false;
    if ((flags & kStQuality) && !hasMark(it, kClassQuality)) return false;
    if ((flags & kStStamp) && !hasMark(it, kClassStamp)) return false;
    if ((flags & kStDeviceInfo) && !OptIsDeviceInfoItem(id)) return false;
    if ((flags & kStRsdSection) && !hasMark(it, kClassPresetDevice)) return false;
    if ((flags & kStClass3) && itemSection(it) != 3) return false;
    return true;
}

// The watermark line and tile items marked as stamp items of the context's
// table, so that every stamp section carries them.
void markTileItems(DrvContext* ctx) {
    for (int id = kItWdmWmLinePitch; id <= kItWdmWmTileRotate; ++id)
        if (DmItem* it = ItemFindById(ctx, id); it && !hasMark(*it, kClassStamp)) it->classWords[kClassStamp] = 1;
}

bool headerSkipped(uint32_t flags) { return flags & (kStAboveFive | kStStamp | kStFreeSize | kStSourceFreeSize); }

const WCHAR* sectionFor(DrvContext* ctx, uint32_t flags, bool reading) {
    if (flags & kStLanguageForm) return reading ? GetLangCode(ctx) : ctx->ws->printerName;
    if ((flags & kStAboveFive) && reading) return GetLangCode(ctx);
    if (flags & kStRsdSection) return kRsdSection;
    return ctx->ws->printerName;
}

// The file's section as text (freed by the caller with IniTextFree through
// `text`), or null when the file cannot be read.
const char* loadSection(const WCHAR* path, const WCHAR* section, char** text) {
    *text = IniTextLoad(path);
    if (!*text) return nullptr;
    const char* body = IniTextFindSection(section, *text);
    return body ? body : "";
}

// Composes the section and puts it in the file; 0 when it does not fit or
// cannot be written.
int writeSection(const WCHAR* path, const WCHAR* section, const Side& s) {
    if (s.overflow) return 0;
    WritePrivateProfileStringW(nullptr, nullptr, nullptr, path);
    EnsureParentDir(path);
    return IniTextReplaceSection(path, section, s.buffer, s.offset);
}

void walkRange(DrvContext* ctx, Side& s, int first, int last, bool skipLogCodes) {
    for (int id = first; id <= last; ++id) {
        DmItem* it = ItemFindById(ctx, id);
        if (!it || (skipLogCodes && id >= 10001 && id <= 10003)) continue;
        const bool font = id >= 10004 && id <= 10009;
        if (font && !s.buffer) continue;
        moveItem(ctx, *it, s, font);
    }
}

// A range transfer of several id ranges into one section.
int rangesTransfer(const WCHAR* path, uint32_t flags, DrvContext* ctx, const WCHAR* section, const int (*ranges)[2],
                   size_t n, bool header = false) {
    if (!ctx || !ctx->ws || !ctx->devmode || !isDrivePath(path) || !section) return 0;
    WCHAR cleaned[kWsPrinterNameChars] = {};
    WCopyCut(cleaned, kWsPrinterNameChars, section);
    section = IniSectionBracketsToCommas(cleaned);
    Side s;
    char* text = nullptr;
    int ok = 1;
    if (flags & kStWrite) {
        s.buffer = static_cast<char*>(MemAllocZero(kIniSectionBytes));
        if (!s.buffer) return 0;
        s.overflow = !IniTextPutSection(&s.offset, section, s.buffer, kIniSectionBytes);
        if (header) s.overflow = s.overflow || !RstWriteHeader(s.buffer, &s.offset, ctx, 0);
        for (size_t r = 0; r < n; ++r) walkRange(ctx, s, ranges[r][0], ranges[r][1], flags & kStAboveFive);
        ok = writeSection(path, section, s);
        MemFree(s.buffer);
    } else {
        s.body = loadSection(path, section, &text);
        if (!s.body) return 0;
        for (size_t r = 0; r < n; ++r) walkRange(ctx, s, ranges[r][0], ranges[r][1], flags & kStAboveFive);
        ok = s.refused ? 0 : 1;
        IniTextFree(text);
    }
    return ok;
}

const WCHAR* fileNameOf(const WCHAR* path) {
    const WCHAR* name = path;
    for (const WCHAR* p = path; p && *p; ++p)
        if (*p == u'\\' || *p == u'/') name = p + 1;
    return name;
}

// The steps of a full import after the transfer, in their order.
void fullImportSteps(DrvContext* ctx, uint32_t keptOsKind) {
    ImportListSteps(ctx);
    if (keptOsKind <= 1) {
        ItemSetRawById(ctx, kItDmICMMethod, 1);
        ItemSetRawById(ctx, kItDmICMIntent, 1);
        ItemSetRawById(ctx, kItDmFields, ItemRawById(ctx, kItDmFields) & ~(DM_ICMMETHOD | DM_ICMINTENT));
        ItemSetRawById(ctx, kItRdmColorMatching, 0);
        DmResetOption(ctx, ItemFindById(ctx, kItRdmICMType));
        DmResetOption(ctx, ItemFindById(ctx, kItRdmICMIntent));
    }
    uint32_t fields = ItemRawById(ctx, kItDmFields);
    fields = (keptOsKind == 0 || keptOsKind == 3) ? fields | DM_MEDIATYPE : fields & ~DM_MEDIATYPE;
    ItemSetRawById(ctx, kItDmFields, fields);
    ItemSetRawById(ctx, kItRdmOSKind, keptOsKind);
    ItemSetRawById(ctx, kItRdmPresetNo, 255);
    const uint32_t uiMode = ItemRawById(ctx, kItRdmUIModeChange);
    if (uiMode == 1) ItemSetRawById(ctx, kItRdmUIModeChange, 0);
    SetPaperDefaultsFromCountry(ctx);
    if (CurrentProfile().importsJobControl) JobControlRefresh(ctx);
    // The merge sees the imported set as a caller's DEVMODE.
    const size_t len = DmClaimedLength(ctx->devmode);
    if (BYTE* copy = static_cast<BYTE*>(MemAllocZero(len ? len : 1))) {
        std::memcpy(copy, ctx->devmode, len);
        DmMergeDevmode(ctx, copy, len, kMergeAfterImport);
        MemFree(copy);
    }
    ItemSetRawById(ctx, kItRdmUIModeChange, uiMode);
}

}  // namespace

int OptIsPresetItem(int id) { return id > 5 ? 1 : 0; }

int OptIsUserDocItem(int id) {
    if ((id >= 0 && id <= 5) || id == 220 || id == 221) return 0;
    if ((id >= 430 && id <= 858) || (id >= 905 && id <= 947) || (id >= 10001 && id <= 10277)) return 0;
    return 1;
}

int OptIsNotReserved(int id) { return id == 0 || id == 220 || id == 221 ? 0 : 1; }

int RstSameVersionFamily(uint32_t a, uint32_t b) { return a / 100 == b / 100 ? 1 : 0; }

int RstWriteHeader(char* buffer, uint32_t* offset, DrvContext* ctx, int versionOnly) {
    if (!buffer || !offset || !ctx) return 0;
    auto put = [&](const WCHAR* key, uint32_t v) {
        char a[12];
        std::snprintf(a, sizeof a, "%u", v);
        WCHAR w[12] = {};
        for (size_t i = 0; a[i]; ++i) w[i] = static_cast<WCHAR>(a[i]);
        return IniTextPutKey(offset, key, w, buffer, kIniSectionBytes);
    };
    int ok = put(u"RstVersion", kRstVersion);
    if (!versionOnly) {
        ok = ok && put(u"RstMachine", kRstMachine);
        ok = ok && put(u"RstLanguage", ItemRawById(ctx, kItRdmLanguageID));
        ok = ok && put(u"RstOSKind", ItemRawById(ctx, kItRdmOSKind));
    }
    return ok ? 1 : 0;
}

int RstCheckHeader(const WCHAR* path, const char* body, int showMessage, DrvContext* ctx, int familyMode) {
    if (!ctx || !body) return 0;
    uint32_t cursor = 0;
    const uint32_t version = static_cast<uint32_t>(IniTextGetInt(u"RstVersion", 0xFFFF, body, &cursor));
    const uint32_t machine = static_cast<uint32_t>(IniTextGetInt(u"RstMachine", 0xFFFF, body, &cursor));
    const uint32_t language = static_cast<uint32_t>(IniTextGetInt(u"RstLanguage", 0xFFFF, body, &cursor));
    bool ok = version != 0xFFFF && machine != 0xFFFF && language != 0xFFFF;
    ok = ok && machine == kRstMachine && language == ItemRawById(ctx, kItRdmLanguageID);
    ok = ok && (familyMode ? RstSameVersionFamily(version, kRstVersion) != 0 : version == kRstVersion);
    if (!ok && showMessage) MsgBoxWithText(ctx, nullptr, kMsgRstRejected, fileNameOf(path));
    return ok ? 1 : 0;
}

// The bytes that say what the DEVMODE buffer is (versions, sizes, the private
// part's signature, size, version, machine id and driver type) are the
// driver's own: a settings file may name them, but a value read from it would
// make the context's DEVMODE another driver's or claim a size the buffer does
// not have. They are put back after every read.
class LayoutKept {
public:
    explicit LayoutKept(BYTE* dm) : dm_(dm) {
        std::memcpy(head_, dm_ + dm::kOffSpecVersion, sizeof head_);
        std::memcpy(priv_, dm_ + dm::kOffSignature, sizeof priv_);
        machine_ = dm_[dm::kOffMachineId];
        type_ = dm_[dm::kOffDriverType];
    }
    ~LayoutKept() {
        std::memcpy(dm_ + dm::kOffSpecVersion, head_, sizeof head_);
        std::memcpy(dm_ + dm::kOffSignature, priv_, sizeof priv_);
        dm_[dm::kOffMachineId] = machine_;
        dm_[dm::kOffDriverType] = type_;
        DmRepairSectionBases(dm_);
    }
    LayoutKept(const LayoutKept&) = delete;
    LayoutKept& operator=(const LayoutKept&) = delete;

private:
    BYTE* dm_;
    BYTE head_[dm::kOffDriverExtra + 2 - dm::kOffSpecVersion];
    BYTE priv_[dm::kOffPrivateVersion + 4 - dm::kOffSignature];
    BYTE machine_, type_;
};

int SettingsTransfer(DrvContext* ctx, const WCHAR* path, uint32_t flags) {
    if (!ctx || !ctx->ws || !ctx->items || !ctx->devmode || !isDrivePath(path)) return 0;
    ctx->ws->rejectedFile = 0;
    const bool reading = !(flags & kStWrite);
    WCHAR section[kWsPrinterNameChars] = {};
    WCopyCut(section, kWsPrinterNameChars, sectionFor(ctx, flags, reading));
    IniSectionBracketsToCommas(section);
    Side s;
    char* text = nullptr;
    std::optional<LayoutKept> layout;
    if (reading) {
        layout.emplace(ctx->devmode);
        s.body = loadSection(path, section, &text);
        if (!s.body) return 0;
        if (!headerSkipped(flags) && !(flags & kStLanguageForm) &&
            !RstCheckHeader(path, s.body, !(flags & (kStNoMessage | kStQuality)), ctx, 1)) {
            ctx->ws->rejectedFile = 1;
            IniTextFree(text);
            return 1;
        }
    } else {
        s.buffer = static_cast<char*>(MemAllocZero(kIniSectionBytes));
        if (!s.buffer) return 0;
        s.overflow = !IniTextPutSection(&s.offset, section, s.buffer, kIniSectionBytes);
        if (!headerSkipped(flags)) s.overflow = s.overflow || !RstWriteHeader(s.buffer, &s.offset, ctx, 0);
    }
    if (flags & (kStFreeSize | kStSourceFreeSize)) {
        const int first = (flags & kStFreeSize) ? kItWdmFreeSizeName : kItWdmFreeSizeName + 3;
        for (int id = first; id < first + 3; ++id)
            if (DmItem* it = ItemFindById(ctx, id)) moveItem(ctx, *it, s);
    } else {
        if ((flags & kStStamp) && CurrentProfile().stampTransferCarriesTileItems) markTileItems(ctx);
        const int n = (flags & kStDeviceInfo) ? ctx->items->count : static_cast<int>(kTableHead);
        for (int i = 0; i < n && i < ctx->items->count; ++i) {
            DmItem& it = ctx->items->items[i];
            if (!selected(it, flags, reading)) continue;
            moveItem(ctx, it, s);
            if (reading && flags == kStRead && it.id == kItRdmPresetNo) ItemSetRawById(ctx, kItRdmPresetNo, 255);
        }
    }
    int ok = 1;
    if (reading) {
        ok = s.refused ? 0 : 1;
        IniTextFree(text);
    } else {
        ok = writeSection(path, section, s);
        MemFree(s.buffer);
        if (ok && flags == kStWrite) DeviceFileSave(nullptr, kStAboveFive, ctx);
    }
    return ok;
}

int SettingsImport(HANDLE printer, const WCHAR* path, uint32_t flags, DrvContext* ctx) {
    if (!ctx || !ctx->ws || !ctx->devmode || !isDrivePath(path)) return 0;
    (void)printer;
    WalkMutex hold(ctx);
    const bool full = (flags & ~(kStRead | kStNoMessage)) == 0;
    WCHAR name[kWsPrinterNameChars] = {};
    WCopyCut(name, kWsPrinterNameChars, ctx->ws->printerName[0] ? ctx->ws->printerName : PrnGetPrinterName(ctx));
    if (full || (flags & kStImportDriverSection)) {
        // A file exported under the driver's name is read under that name.
        char* text = IniTextLoad(path);
        const char* body = text ? IniTextFindSection(PrnGetDriverName(ctx), text) : nullptr;
        uint32_t cursor = 0;
        if (body && IniTextGetInt(u"RstVersion", -1, body, &cursor) != -1)
            WCopyCut(name, kWsPrinterNameChars, PrnGetDriverName(ctx));
        IniTextFree(text);
    }
    int ok = 0;
    {
        NameSwap swap(ctx, name);
        const uint32_t keptOsKind = ItemRawById(ctx, kItRdmOSKind);
        // The refusal is told once the printer's own name is back: it is
        // the message's caption.
        ok = SettingsTransfer(ctx, path, flags | kStRead | kStNoMessage);
        if (!ctx->ws->rejectedFile && ok && full) fullImportSteps(ctx, keptOsKind);
    }
    if (!ctx->ws->rejectedFile) return ok;
    if (!(flags & (kStNoMessage | kStQuality)) && !headerSkipped(flags) && !(flags & kStLanguageForm))
        MsgBoxWithText(ctx, nullptr, kMsgRstRejected, fileNameOf(path));
    if (flags & kStQuality) {
        QualityRedeploy(ctx, path);
        return 1;
    }
    return ok;
}

int SettingsExport(HANDLE printer, const WCHAR* path, uint32_t flags, DrvContext* ctx) {
    if (!ctx || !ctx->ws || !ctx->devmode || !isDrivePath(path)) return 0;
    (void)printer;
    const WCHAR* stand = ctx->ws->printerName[0] ? ctx->ws->printerName : PrnGetPrinterName(ctx);
    WCHAR name[kWsPrinterNameChars] = {};
    if (flags & kStExportLanguage) {
        stand = GetLangCode(ctx);
        flags &= ~kStExportLanguage;
    } else if ((flags & ~(kStWrite | kStNoMessage)) == 0) {
        stand = PrnGetDriverName(ctx);
    }
    WCopyCut(name, kWsPrinterNameChars, stand);
    NameSwap swap(ctx, name);
    WalkMutex hold(ctx);
    flags |= kStWrite;
    if ((flags & ~(kStWrite | kStNoMessage | kStPresetDevice)) != 0) return SettingsTransfer(ctx, path, flags);
    // The lists' selections go into the items for the file only: the whole
    // DEVMODE (the list items lie past its public length) is put back
    // afterwards.
    if (!DmSaveState(ctx)) return 0;
    ExportListSteps(ctx);
    const int ok = SettingsTransfer(ctx, path, flags);
    DmRestoreState(ctx, 1);
    return ok;
}

int OptRangeTransfer(const WCHAR* path, uint32_t flags, DrvContext* ctx, const WCHAR* section, int first, int last) {
    const int range[1][2] = {{first, last}};
    return rangesTransfer(path, flags, ctx, section, range, 1);
}

int DeviceFileTransfer(const WCHAR* path, uint32_t flags, DrvContext* ctx) {
    if (!ctx || !ctx->ws) return 0;
    static const int kRanges[2][2] = {{10001, 10277}, {907, 947}};
    const WCHAR* section = (!(flags & kStWrite) && (flags & kStAboveFive)) ? GetLangCode(ctx) : kPrnSection;
    return rangesTransfer(path, flags, ctx, section, kRanges, 2);
}

int DeviceFileLoad(const WCHAR* path, uint32_t flags, DrvContext* ctx) {
    return DeviceFileTransfer(path, flags & ~kStWrite, ctx);
}

int DeviceFileSave(const WCHAR* path, uint32_t flags, DrvContext* ctx) {
    WCHAR file[kWsPathChars] = {};
    if (!path || (flags & kStAboveFive)) {
        if (!BuildPrivateDirPath(file, kWsPathChars, kDeviceFile)) return 0;
        path = file;
    }
    return DeviceFileTransfer(path, flags | kStWrite, ctx);
}

int DefaultRstWriteDevice(DrvContext* ctx) {
    if (!ctx || !ctx->ws) return 0;
    WCHAR bundle[kWsPathChars] = {};
    if (!GetDefaultRstName(ctx, bundle, kWsPathChars) || !FileExists(bundle)) return 0;
    const WCHAR* lang = GetLangCode(ctx);
    // The language section also holds the bundle's entries: the keys the
    // device settings do not write are kept.
    WCHAR* kept = static_cast<WCHAR*>(MemAllocZero(kKeptChars * sizeof(WCHAR)));
    if (!kept) return 0;
    const DWORD n = GetPrivateProfileSectionW(lang, kept, kKeptChars, bundle);
    int ok = n < kKeptChars - 2 ? 1 : 0;
    static const int kRanges[2][2] = {{10001, 10277}, {907, 947}};
    ok = ok && rangesTransfer(bundle, kStWrite | kStAboveFive, ctx, lang, kRanges, 2, true);
    for (const WCHAR* line = kept; ok && *line; line += WLen(line) + 1) {
        WCHAR key[kIniNameBytes + 1] = {};
        size_t k = 0;
        while (line[k] && line[k] != u'=' && k < kIniNameBytes) key[k] = line[k], ++k;
        if (line[k] != u'=') continue;
        WCHAR probe[4] = {};
        IniGetString(lang, key, kMissing, probe, 4, bundle);
        if (probe[0] == kMissing[0] && !probe[1]) ok = IniWriteString(lang, key, line + k + 1, bundle);
    }
    MemFree(kept);
    return ok;
}

int SettingsFileTransferRsd(HANDLE printer, const WCHAR* path, uint32_t flags, DrvContext* ctx) {
    if (!ctx || !ctx->ws) return 0;
    (void)printer;
    (void)path;
    WCHAR file[kWsPathChars] = {};
    if (!BuildPrivateDirPath(file, kWsPathChars, kDeviceFile)) return 0;
    WCHAR name[kWsPrinterNameChars] = {};
    WCopyCut(name, kWsPrinterNameChars,
             (flags & ~(kStWrite | kStNoMessage)) == 0 ? PrnGetDriverName(ctx) : ctx->ws->printerName);
    NameSwap swap(ctx, name);
    return SettingsTransfer(ctx, file, flags | kStWrite | kStRsdSection);
}

}  // namespace vesk
