// The class walks: every persisted item of an option class loaded from, or
// saved to, its home, under the terminal-server mutex.
#include <cstring>
#include <new>

#include "core/ini_wrap.h"
#include "core/item_lists.h"
#include "core/item_store.h"
#include "core/locks.h"
#include "core/paths.h"
#include "core/persist/font_persist.h"
#include "core/persist/opt_persist.h"
#include "core/printer_identity.h"
#include "core/wstr.h"

namespace vesk {
namespace {

constexpr int kFirstWalkedId = 35;
constexpr int kSkipFirst = 430, kSkipLast = 730;
constexpr int kFirstFontItem = 10004, kLastFontItem = 10009;
constexpr int kServerUse = 10001, kUserCodeUse = 10002, kLogCode = 10003;

bool walked(int id) { return id >= kFirstWalkedId && !(id >= kSkipFirst && id <= kSkipLast); }

// Document settings are read from the INI only by contexts that show or
// print them: not kind 1, nor contexts for device capabilities, document
// merges or API callers. A caller's flag 0x10000 is stored at creation as
// 0x20000000, so that is the flag tested here.
bool mayReadIni(const DrvContext* ctx) {
    if (ctx->ws->kind == 1) return false;
    return !(ctx->ws->creationFlags & (kCreateDeviceCaps | kCreateMergeNoUi | kCreateApiCaller));
}

// The INI items of a walk, read from one read of their section: made at
// the first item that needs it, for that item's section (all of them, but
// for an item with a section of its own). The INI path is found, and the
// snapshot made, only when an INI item comes; the snapshot sits in plain
// room of the walk's frame, so a walk without INI items fills none of it.
class WalkIni {
public:
    explicit WalkIni(DrvContext* ctx) : ctx_(ctx) {}
    ~WalkIni() {
        if (snapshot_) snapshot_->~IniSnapshot();
    }
    WalkIni(const WalkIni&) = delete;
    WalkIni& operator=(const WalkIni&) = delete;
    const WCHAR* file() {
        if (!fileFound_) WCopyCut(file_, kWsPathChars, GetIniFilePath(ctx_));
        fileFound_ = true;
        return file_;
    }
    const IniSnapshot* forSection(const WCHAR* section) {
        if (!isDrivePath(file()) || !section) return nullptr;
        if (!snapshot_) snapshot_ = new (room_) IniSnapshot(section, file_);
        return snapshot_->holds(section) ? snapshot_ : nullptr;
    }
    int load(DmItem* item) {
        const WCHAR* path = file();
        return OptLoadFromIniSnapshot(ctx_, item, path, forSection(OptIniSectionOf(ctx_, item)));
    }

private:
    DrvContext* ctx_;
    bool fileFound_ = false;
    IniSnapshot* snapshot_ = nullptr;
    WCHAR file_[kWsPathChars];
    alignas(IniSnapshot) unsigned char room_[sizeof(IniSnapshot)];
};

// Reads the action word: "rdmAction", else the older per-bit keys, whose
// word is then written under the new key.
void loadActionWord(DrvContext* ctx, WalkIni& ini) {
    DmItem* first = ItemFindById(ctx, kActionFirstItem);
    const WCHAR* file = ini.file();
    if (!first || !file[0] || file[1] != u':') return;
    const WCHAR* section =
        first->iniSection && first->iniSection[0] ? first->iniSection : PrnGetPrinterName(ctx);
    WCHAR text[16] = {};
    const IniSnapshot* snapshot = ini.forSection(section);
    if (!snapshot || snapshot->get(kActionWordKey, text, 16) == IniSnapshot::Answer::Unsure)
        IniGetString(section, kActionWordKey, u"", text, 16, file);
    if (text[0]) {
        // Stored through a scratch 16-bit reading of the key.
        uint32_t v = 0;
        bool ok = true;
        for (const WCHAR* p = text; *p; ++p) {
            if (*p < u'0' || *p > u'9') {
                ok = false;
                break;
            }
            v = v * 10 + (*p - u'0');
            if (v > 0xFFFF) ok = false;
        }
        if (ok) OptActionWordSet(ctx, static_cast<uint16_t>(v));
        return;
    }
    for (int id = kActionFirstItem; id <= kActionLastItem; ++id) {
        DmItem* it = ItemFindById(ctx, id);
        if (it && it->valueName) ini.load(it);
    }
    OptActionWordSave(ctx);
}

// Changed-only rule: the item's bytes (a bit item: its bit) against the
// shadow DEVMODE.
bool sameAsShadow(DrvContext* ctx, const DmItem* it) {
    if (typeIsBit(itemTypeCode(*it))) return ItemGetRaw(ctx, it) == ItemGetShadowRaw(ctx, it);
    const BYTE* a = ItemGetStorage(ctx, it);
    const BYTE* b = ItemGetShadowStorage(ctx, it);
    uint32_t n = itemSize(*it);
    if (!typeIsAddress(itemTypeCode(*it))) {
        const uint32_t c = itemTypeCode(*it);
        n = (c == kTypeS8 || c == kTypeU8) ? 1 : (c == kTypeS16 || c == kTypeU16) ? 2 : 4;
    }
    return a && b && std::memcmp(a, b, n) == 0;
}

}  // namespace

int OptLoadClass(HANDLE printer, DrvContext* ctx, int optionClass, uint32_t flags, HANDLE bridge) {
    if (!ctx || !ctx->ws || !ctx->items || !ctx->devmode) return 1;
    WalkMutex hold(ctx);
    const bool iniOk = mayReadIni(ctx);
    bool action = false;
    WalkIni ini(ctx);
    // Most items are kept nowhere: the walk visits the named ones.
    ForNamedItems(ctx, [&](DmItem& it) {
        if (!it.valueName) return;
        const uint32_t cls = itemSection(it);
        if (!walked(it.id) || (optionClass != -1 && static_cast<int>(cls) != optionClass)) return;
        if (cls == 2 && it.storageClass == kPersistPrinterData) {
            if (it.id < kFirstFontItem || it.id > kLastFontItem) OptReadFromPrinterData(printer, ctx, &it, flags, bridge);
        } else if (it.storageClass == kPersistIni && iniOk) {
            if (it.id >= kActionFirstItem && it.id <= kActionLastItem) action = action || it.id == kActionFirstItem;
            else ini.load(&it);
        }
    });
    if (action) loadActionWord(ctx, ini);
    return 1;
}

int OptLoadClassAlias(HANDLE printer, DrvContext* ctx, int optionClass, uint32_t flags) {
    return OptLoadClass(printer, ctx, optionClass, flags & ~kOptLoadViaBridge, nullptr);
}

int OptLoadClasses(HANDLE printer, int selector, DrvContext* ctx) {
    if (selector == -1) {
        OptLoadClass(printer, ctx, -1, 0, nullptr);
        FontListsLoad(printer, ctx);
    } else if (selector == 1) {
        OptLoadClass(printer, ctx, 3, 0, nullptr);
        OptLoadClass(printer, ctx, 1, 0, nullptr);
    } else if (selector == 2) {
        OptLoadClass(printer, ctx, 2, 0, nullptr);
        FontListsLoad(printer, ctx);
    }
    return 1;
}

int OptSaveClass(HANDLE printer, DrvContext* ctx, int optionClass, uint32_t flags) {
    if (!ctx || !ctx->ws || !ctx->items || !ctx->devmode) return 1;
    WalkMutex hold(ctx);
    const bool changedOnly =
        ctx->ws->kind == kKindOrdinary && optionClass == 2 && ctx->ws->shadow && !(flags & kOptSaveAll);
    const bool remote = PrnIsRemote(ctx) == 1;
    bool action = false;
    ForNamedItems(ctx, [&](DmItem& it) {
        if (optionClass != -1 && static_cast<int>(itemSection(it)) != optionClass) return;
        if ((flags & kOptSaveDeviceInfoOnly) && !OptIsDeviceInfoItem(it.id)) return;
        if (!it.valueName || (it.id >= kFirstFontItem && it.id <= kLastFontItem)) return;
        // A server connection keeps the user-code items only while the
        // server's log code is in use.
        if (remote && (it.id == kUserCodeUse || it.id == kLogCode) && ItemRawById(ctx, kServerUse) == 0) return;
        if (it.id >= kActionFirstItem && it.id <= kActionLastItem) {
            action = action || (it.id == kActionFirstItem && it.storageClass == kPersistIni);
            return;
        }
        if (changedOnly && sameAsShadow(ctx, &it)) return;
        OptSaveEntry(printer, ctx, &it, nullptr);
    });
    if (action) OptActionWordSave(ctx);
    return 1;
}

int OptSaveUserClasses(HANDLE printer, DrvContext* ctx) {
    OptSaveClass(printer, ctx, 3, 0);
    OptSaveClass(printer, ctx, 1, 0);
    return 1;
}

int OptSaveDeviceClass(HANDLE printer, DrvContext* ctx) {
    OptSaveClass(printer, ctx, 2, 0);
    FontListsSaveChanged(printer, ctx);
    return 1;
}

int OptSaveDeviceClassInstall(HANDLE printer, DrvContext* ctx) {
    OptSaveClass(printer, ctx, 2, 0);
    FontListsSaveDefaults(printer, ctx);
    return 1;
}

}  // namespace vesk
