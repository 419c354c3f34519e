// The preset list: entries "PresetList%d" (file, name, comment) and "Count"
// in the printer's section of the per-printer INI, and the snapshots that
// make a second load of a slot a copy instead of a file read.
#include <cstdio>
#include <cstring>

#include "core/ini_wrap.h"
#include "core/item_store.h"
#include "core/lists/lists.h"
#include "core/lists/lists_internal.h"
#include "core/path_names.h"
#include "core/persist/opt_persist.h"
#include "core/persist/settings_file.h"
#include "core/res/res.h"
#include "core/sysdeps.h"
#include "core/wstr.h"

namespace vesk {
namespace {

using namespace lists;

constexpr WCHAR kCount[] = u"Count";
constexpr uint16_t kNameControl = 2145;
constexpr uint16_t kCommentControl = 2146;
// A preset applies its preset-device items only. Files exported for moving
// between printers carry the driver's name as their section; they load too.
constexpr uint32_t kLoadFlags = kStPresetDevice | kStNoMessage | kStImportDriverSection;
constexpr uint32_t kFallbackFlags = kStPresetDevice | kStImportDriverSection;

// The slot whose key is `key`, or -1.
int slotOfKey(const WCHAR* key) {
    if (!key) return -1;
    WCHAR k[kListKeyChars];
    for (int n = 0; n < kPresetSlots; ++n)
        if (WEqualNoCase(FormatPresetKey(k, n, 0), key)) return n;
    return -1;
}

bool snapped(const DmItem& it) { return it.classWords[kClassPresetDevice] || it.classWords[kClassStamp]; }

size_t snapshotBytes(const DmItemTable* t) {
    size_t n = 0;
    for (int i = 0; t && i < t->count; ++i)
        if (snapped(t->items[i])) n += itemSize(t->items[i]);
    return n;
}

void snapshotSave(DrvContext* ctx, int slot) {
    BYTE*& snap = ctx->ws->presetSnapshots[slot];
    if (!snap) snap = static_cast<BYTE*>(MemAllocZero(snapshotBytes(ctx->items) + 1));
    if (!snap) return;
    BYTE* at = snap;
    for (int i = 0; i < ctx->items->count; ++i) {
        const DmItem& it = ctx->items->items[i];
        if (!snapped(it)) continue;
        if (const BYTE* p = ItemGetStorage(ctx, &it)) std::memcpy(at, p, itemSize(it));
        at += itemSize(it);
    }
}

// Each item's bytes back; an item kept as one bit of a word gets only its
// bit.
int snapshotRestore(DrvContext* ctx, int slot) {
    const BYTE* at = ctx->ws->presetSnapshots[slot];
    if (!at) return 0;
    for (int i = 0; i < ctx->items->count; ++i) {
        const DmItem& it = ctx->items->items[i];
        if (!snapped(it)) continue;
        const uint32_t size = itemSize(it);
        if (BYTE* p = ItemGetStorage(ctx, &it)) {
            const uint32_t code = itemTypeCode(it);
            if (typeIsBit(code)) {
                const uint32_t bit = code - kTypeBitFirst;
                if (bit / 8 < size) {
                    const BYTE mask = static_cast<BYTE>(1u << (bit % 8));
                    p[bit / 8] = static_cast<BYTE>((p[bit / 8] & ~mask) | (at[bit / 8] & mask));
                }
            } else {
                std::memcpy(p, at, size);
            }
        }
        at += size;
    }
    ctx->ws->itemsChanged = 1;
    return 1;
}

DmItem* boundItem(DrvContext* ctx, uint16_t controlId) {
    const UiPageTable* t = CtxPages(ctx);
    if (!t || !t->pages) return nullptr;
    for (int p = 0; p < t->count; ++p) {
        const UiPage& pg = t->pages[p];
        for (int c = 0; pg.controls && c < pg.controlCount; ++c)
            if (pg.controls[c].id == controlId && pg.controls[c].item) return pg.controls[c].item;
    }
    return nullptr;
}

// The buffer's text from the INI value `key` (bounded as its ANSI form).
void bufferFromIni(DrvContext* ctx, DmItem* buffer, const WCHAR* key, size_t bytes, const WCHAR* ini) {
    if (!buffer) return;
    WCHAR text[kPresetCommentBytes + 1] = {};
    readBounded(ctx->ws->printerName, key, text, kPresetCommentBytes + 1, bytes, ini);
    ItemSetString(ctx, buffer, text);
}

void bufferToIni(DrvContext* ctx, DmItem* buffer, const WCHAR* key, const WCHAR* ini) {
    if (!buffer) return;
    WCHAR text[kPresetCommentBytes + 1] = {};
    ItemGetString(ctx, buffer, text, kPresetCommentBytes + 1);
    IniWriteString(ctx->ws->printerName, key, text, ini);
}

void keyWith(WCHAR* dest, const WCHAR* key, const WCHAR* tail) {
    WCopyCut(dest, kListKeyChars, key);
    WAppendWhole(dest, kListKeyChars, tail);
}

bool readPath(DrvContext* ctx, const WCHAR* key, WCHAR* path, const WCHAR* ini) {
    path[0] = 0;
    IniGetString(ctx->ws->printerName, key, u"", path, kWsPathChars, ini);
    return path[0] != 0;
}

}  // namespace

WCHAR* FormatPresetKey(WCHAR* buffer, int n, int kind) {
    return formatNumbered(buffer, "PresetList%d%s", n, kind == 1 ? "Name" : kind == 2 ? "Comment" : "");
}

WCHAR* FormatQualityKey(WCHAR* buffer, int n) { return formatNumbered(buffer, "QualityList%d%s", n, ""); }

int GetPresetCount(DrvContext* ctx) {
    if (!ctx || !ctx->ws) return 0;
    return readCount(ctx->ws->printerName, kCount, iniPath(ctx));
}

int PresetAdd(DrvContext* ctx, const WCHAR* file, const WCHAR* name, const WCHAR* comment) {
    const WCHAR* ini = ctx && ctx->ws ? iniPath(ctx) : nullptr;
    if (!ini || !file) return 0;
    const int n = GetPresetCount(ctx);
    if (n >= kPresetSlots) return 0;  // slots are 0-15
    const WCHAR* section = ctx->ws->printerName;
    WCHAR key[kListKeyChars];
    int ok = IniWriteString(section, FormatPresetKey(key, n, 0), file, ini);
    ok = ok && IniWriteString(section, FormatPresetKey(key, n, 1), name ? name : u"", ini);
    ok = ok && IniWriteString(section, FormatPresetKey(key, n, 2), comment ? comment : u"", ini);
    ok = ok && writeCount(section, kCount, n + 1, ini);
    dropSnapshots(ctx);
    return ok ? 1 : 0;
}

int PresetClear(DrvContext* ctx) {
    const WCHAR* ini = ctx && ctx->ws ? iniPath(ctx) : nullptr;
    if (!ini) return 0;
    const int ok = writeCount(ctx->ws->printerName, kCount, 0, ini);
    dropSnapshots(ctx);
    return ok;
}

DmItem* PresetNameBuffer(DrvContext* ctx) { return boundItem(ctx, kNameControl); }
DmItem* PresetCommentBuffer(DrvContext* ctx) { return boundItem(ctx, kCommentControl); }

int PresetSnapshot(DrvContext* ctx, const WCHAR* key, int mode) {
    if (!ctx || !ctx->ws) return 0;
    DrvWorkspace* ws = ctx->ws;
    if (mode == 0 || mode == 3) {
        for (BYTE*& b : ws->presetSnapshots) {
            if (mode == 3) MemFree(b);
            b = nullptr;
        }
        return 0;
    }
    const int slot = slotOfKey(key);
    if (slot < 0 || !ctx->items || !ctx->devmode) return 0;
    if (mode == 2) {
        snapshotSave(ctx, slot);
        return 0;
    }
    return mode == 1 ? snapshotRestore(ctx, slot) : 0;
}

int LoadPreset(DrvContext* ctx, const WCHAR* key) {
    if (!ctx || !ctx->ws || !ctx->devmode || !key) return 0;
    if (PresetSnapshot(ctx, key, 1)) return 1;
    const WCHAR* ini = iniPath(ctx);
    WCHAR path[kWsPathChars] = {};
    WCHAR key0[kListKeyChars];
    FormatPresetKey(key0, 0, 0);
    if (ini && !readPath(ctx, key, path, ini)) readPath(ctx, key0, path, ini);
    ctx->ws->rejectedFile = 0;
    int ok = SettingsImport(ctx->printer, path, kLoadFlags, ctx);
    WCHAR rejected[kWsPathChars] = {};
    const bool warn = ok && ctx->ws->rejectedFile;
    if (warn) {
        WCopyCut(rejected, kWsPathChars, path);
        IniWriteString(ctx->ws->printerName, key, u"", ini);
        readPath(ctx, key0, path, ini);
        ok = SettingsImport(ctx->printer, path, kFallbackFlags, ctx);
    }
    WCHAR k[kListKeyChars];
    keyWith(k, key, u"Name");
    bufferFromIni(ctx, PresetNameBuffer(ctx), k, kPresetNameBytes, ini);
    keyWith(k, key, u"Comment");
    bufferFromIni(ctx, PresetCommentBuffer(ctx), k, kPresetCommentBytes, ini);
    checkStamp(ctx);
    PresetSnapshot(ctx, key, 2);
    if (warn) MsgBoxWithText(ctx, nullptr, kMsgRstRejected, FileNamePart(rejected));
    return ok;
}

int LoadPresetByIndex(DrvContext* ctx, int n) {
    if (!ctx || !ctx->ws) return 0;
    if (n < 0 || n >= kPresetSlots) {
        if (DmItem* b = PresetNameBuffer(ctx)) ItemSetString(ctx, b, u"");
        if (DmItem* b = PresetCommentBuffer(ctx)) ItemSetString(ctx, b, u"");
        return 0;
    }
    WCHAR key[kListKeyChars];
    return LoadPreset(ctx, FormatPresetKey(key, n, 0));
}

int SavePreset(DrvContext* ctx, const WCHAR* key) {
    const WCHAR* ini = ctx && ctx->ws ? iniPath(ctx) : nullptr;
    if (!ini || !ctx->devmode || !key) return 0;
    WCHAR path[kWsPathChars] = {};
    if (!readPath(ctx, key, path, ini)) return 0;
    const int ok = SettingsExport(ctx->printer, path, kStPresetDevice, ctx);
    WCHAR k[kListKeyChars];
    keyWith(k, key, u"Name");
    bufferToIni(ctx, PresetNameBuffer(ctx), k, ini);
    keyWith(k, key, u"Comment");
    bufferToIni(ctx, PresetCommentBuffer(ctx), k, ini);
    dropSnapshots(ctx);
    return ok;
}

int SavePresetByIndex(DrvContext* ctx, int n) {
    if (n < 0 || n >= kPresetSlots) return 0;
    WCHAR key[kListKeyChars];
    return SavePreset(ctx, FormatPresetKey(key, n, 0));
}

int PresetIsWritable(DrvContext* ctx, const WCHAR* path) {
    if (!ctx || !ctx->ws || !path) return 0;
    return IniGetInt(ctx->ws->printerName, u"Readonly", 0, path) == 1 ? 0 : 1;
}

int PresetIsWritableByIndex(DrvContext* ctx, int n) {
    const WCHAR* ini = ctx && ctx->ws ? iniPath(ctx) : nullptr;
    if (!ini || n < 0 || n >= kPresetSlots) return 0;
    WCHAR key[kListKeyChars];
    WCHAR path[kWsPathChars] = {};
    readPath(ctx, FormatPresetKey(key, n, 0), path, ini);
    return PresetIsWritable(ctx, path);
}

int MakeNewUserPresetPath(DrvContext* ctx, WCHAR* buffer) {
    if (!buffer) return 0;
    buffer[0] = 0;
    const WCHAR* ini = ctx && ctx->ws ? iniPath(ctx) : nullptr;
    if (!ini) return 0;
    // The folder the per-printer INI lies in follows the same rule: the
    // private folder, or the user's for a terminal-server printer.
    WCHAR dir[kWsPathChars] = {};
    WCopyCut(dir, kWsPathChars, ini);
    WCHAR* name = const_cast<WCHAR*>(FileNamePart(dir));
    if (name == dir) return 0;
    name[-1] = 0;
    for (int n = 0; n <= 9999; ++n) {
        WCHAR file[kListKeyChars];
        formatNumbered(file, "\\user%04d.rst%s", n, "");
        WCHAR path[kWsPathChars] = {};
        if (!WCopyWhole(path, kWsPathChars, dir) || !WAppendWhole(path, kWsPathChars, file)) return 0;
        if (IniGetInt(ctx->ws->printerName, u"RstMachine", 0, path) == 0) {
            WCopyWhole(buffer, kWsPathChars, path);
            return 1;
        }
    }
    return 0;
}

}  // namespace vesk
