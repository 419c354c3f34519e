#include "core/context.h"
#include "core/context_spare.h"
#include "core/res/res.h"

#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <type_traits>

#include "core/builtin_tables.h"
#include "core/context_cache.h"
#include "core/devmode/dm_defaults.h"
#include "core/devmode/dm_private.h"
#include "core/devmode/dm_state.h"
#include "core/devmode_sizes.h"
#include "core/font_tables.h"
#include "core/handover/handover.h"
#include "core/item_lists.h"
#include "core/item_store.h"
#include "core/jobctl/jc_client.h"
#include "core/languages.h"
#include "core/library_profile.h"
#include "core/model/cache.h"
#include "core/model/eval.h"
#include "core/pending_capabilities.h"
#include "core/registry_values.h"
#include "core/sysdeps.h"

namespace vesk {
namespace {

std::atomic<bool> g_installRunning{false};
std::atomic<int> g_installMark{0};

struct Template {
    DmItemTable items;
    UiPageTable pages;
    SymbolTable symbols;
    ValueSymbolTable valueSymbols;
    MessageTable messages;
    DrvContext ctx;
};

void buildTemplate(Template* p) {
    p->items = {static_cast<int16_t>(builtinItemCount()), const_cast<DmItem*>(builtinItems())};
    p->pages = {static_cast<int16_t>(builtinPageCount()), const_cast<UiPage*>(builtinPages())};
    p->symbols = {static_cast<int16_t>(builtinSymbolCount()), builtinSymbols()};
    p->valueSymbols = {static_cast<int16_t>(builtinValueSymbolCount()), builtinValueSymbols()};
    p->messages = {static_cast<int16_t>(builtinMessageCount()), builtinMessages()};
    // The template holds no DEVMODE: a context of a light kind has none, and
    // nothing may ever write through or free a shared buffer.
    p->ctx = DrvContext{nullptr, nullptr, nullptr, &p->items, &p->pages, &p->symbols, &p->valueSymbols,
                        &p->messages, const_cast<DriverDesc*>(&builtinDriverDesc()), nullptr, nullptr,
                        nullptr, nullptr, nullptr, nullptr};
}

const Template& templ() {
    static Template t;
    static const bool built = (buildTemplate(&t), true);
    (void)built;
    return t;
}

template <class T>
T* allocCopy(const T* src, size_t count) {
    if (count == 0) return nullptr;
    T* p = static_cast<T*>(MemAllocZero(sizeof(T) * count));
    if (p && src) std::memcpy(static_cast<void*>(p), src, sizeof(T) * count);
    return p;
}

void copyBounded(WCHAR* dest, size_t chars, const WCHAR* src) {
    size_t i = 0;
    if (src)
        for (; src[i] && i + 1 < chars; ++i) dest[i] = src[i];
    dest[i] = 0;
}

// The printer facts the workspace keeps from the printer information.
void takePrinterFacts(DrvWorkspace* ws, const PRINTER_INFO_2W* info, uint16_t kind) {
    if (!info) return;
    copyBounded(ws->printerName, kWsPrinterNameChars, info->pPrinterName);
    if (kind == 0 || kind == 1 || kind == 3) copyBounded(ws->driverName, kWsDriverNameChars, info->pDriverName);
    ws->attributesKnown = 1;
    ws->attributes = info->Attributes;
    ws->serverConnection = (info->pServerName && info->pServerName[0]) ? 1 : 2;
}

// Offsets of the parts of a block that holds several records, each aligned
// for any of them.
size_t alignUp(size_t n) {
    constexpr size_t a = alignof(std::max_align_t);
    return (n + a - 1) & ~(a - 1);
}

// The room one DEVMODE state takes in a block of several.
size_t levelBytes() { return alignUp(dmSizes().stateSize); }

// The context's own copies of the template's tables. The table records and
// the driver description sit in one zero-filled block (MemAllocZero) that
// starts with the item table, so the context's tables are one block of the
// system's heap as before; the arrays they point at (the items, and where the
// library keeps its own page table the pages and every page's controls) sit
// in one block of the process heap that is copied whole from one image of the
// template's arrays (arrayImage), so it needs no zero fill before the copy
// (about 160 KB a context). The same
// block ends with the buffers of the save stack's fixed levels, which need
// no fill either: a level is written whole (DmSaveState) before it is read.
struct TableHeader {
    DmItemTable items;  // first: c->items is the header's address
    UiPageTable pages;
    DriverDesc desc;
    BYTE* arrays;       // from takeArrays; given back with the header (freeTables)
    size_t arrayBytes;  // its size
    BYTE* saveLevels;   // in `arrays`: kSaveLevels buffers of levelBytes() each
};

constexpr size_t kSaveLevels = sizeof(DrvWorkspace::saveStack) / sizeof(BYTE*);
static_assert(std::is_standard_layout_v<TableHeader> && offsetof(TableHeader, items) == 0,
              "the item table's address is the header's");

// The array block of the last context freed, kept for the next one: its
// size is the same for every context of the process, so creating and
// freeing contexts in turn reuses one block instead of the heap's large
// allocations. Its bytes are the old context's; the copy overwrites all of
// them but the save stack's levels, which nothing reads before writing.
// The record is static storage, not a heap object, and process detach frees
// the block (CtxSpareTables): nothing is left behind when the library is
// unloaded. After detach, freed blocks go straight back to the heap.
struct SpareArrays {
    std::mutex lock;
    BYTE* block = nullptr;
    size_t bytes = 0;
    bool keeping = true;
};
constinit SpareArrays g_spare;

BYTE* takeArrays(size_t bytes) {
    BYTE* p = nullptr;
    {
        std::lock_guard g(g_spare.lock);
        if (g_spare.block && g_spare.bytes == bytes) std::swap(p, g_spare.block);
    }
    return p ? p : static_cast<BYTE*>(std::malloc(bytes));
}

void giveArrays(BYTE* p, size_t bytes) {
    if (!p) return;
    {
        std::lock_guard g(g_spare.lock);
        if (g_spare.keeping) {
            std::swap(p, g_spare.block);
            g_spare.bytes = bytes;
        }
    }
    std::free(p);
}

struct HeapFree {
    size_t bytes;
    void operator()(BYTE* p) const { giveArrays(p, bytes); }
};

// Where the parts of a context's array block lie; the same for every
// context of the process (the template and the profile never change).
struct ArrayLayout {
    size_t itemBytes, offPages, pageBytes, offControls, controlBytes, offSave, arrayBytes;
};

ArrayLayout layoutOf(const DrvContext* t, bool ownPages) {
    ArrayLayout l{};
    const size_t pageCount = ownPages ? static_cast<size_t>(t->pages->count) : 0;
    size_t controlCount = 0;
    for (size_t i = 0; i < pageCount; ++i)
        if (t->pages->pages[i].controlCount > 0) controlCount += static_cast<size_t>(t->pages->pages[i].controlCount);
    l.itemBytes = sizeof(DmItem) * static_cast<size_t>(t->items->count);
    l.offPages = alignUp(l.itemBytes);
    l.pageBytes = sizeof(UiPage) * pageCount;
    l.offControls = l.offPages + alignUp(l.pageBytes);
    l.controlBytes = sizeof(UiControl) * controlCount;
    l.offSave = alignUp(l.offControls + l.controlBytes);
    l.arrayBytes = l.offSave + kSaveLevels * levelBytes();
    return l;
}

// The template's arrays as a context's block holds them, up to the save
// stack's levels: the items, the pages and every page's controls one after
// the other, the gaps zeroed. Made once from the built-in tables, which are
// constant, so a context's arrays are one copy of it; only the pages' control
// addresses are the context's own. A page without controls has none.
struct ArrayImage {
    ArrayLayout layout{};
    std::unique_ptr<BYTE[]> bytes;
    ItemLists lists;  // of the items in `bytes`
};

bool buildArrayImage(ArrayImage* m, const DrvContext* t, bool ownPages) {
    m->layout = layoutOf(t, ownPages);
    const ArrayLayout& l = m->layout;
    m->bytes.reset(new (std::nothrow) BYTE[l.offSave]());
    BYTE* b = m->bytes.get();
    if (!b) return false;
    if (l.itemBytes) std::memcpy(b, t->items->items, l.itemBytes);
    if (!BuildItemLists(reinterpret_cast<const DmItem*>(b), t->items->count, &m->lists)) return false;
    if (l.pageBytes) {
        std::memcpy(b + l.offPages, t->pages->pages, l.pageBytes);
        auto* pages = reinterpret_cast<UiPage*>(b + l.offPages);
        BYTE* at = b + l.offControls;
        for (size_t i = 0; i < l.pageBytes / sizeof(UiPage); ++i) {
            const UiControl* src = pages[i].controls;
            pages[i].controls = nullptr;
            if (pages[i].controlCount > 0) {
                const size_t n = sizeof(UiControl) * static_cast<size_t>(pages[i].controlCount);
                std::memcpy(at, src, n);
                at += n;
            }
        }
    }
    return true;
}

// The image, made at the first creation; null while it cannot be made (no
// memory), and the next creation tries again.
const ArrayImage* arrayImage(const DrvContext* t, bool ownPages) {
    static std::mutex lock;
    static ArrayImage image;
    static std::atomic<bool> made{false};
    if (made.load(std::memory_order_acquire)) return &image;
    std::lock_guard g(lock);
    if (!made.load(std::memory_order_relaxed)) {
        if (!buildArrayImage(&image, t, ownPages)) return nullptr;
        made.store(true, std::memory_order_release);
    }
    return &image;
}

bool cloneTables(DrvContext* c, const DrvContext* t) {
    const bool ownPages = CurrentProfile().clonesPageTable;
    const ArrayImage* image = arrayImage(t, ownPages);
    if (!image) return false;
    const ArrayLayout& l = image->layout;
    std::unique_ptr<BYTE, HeapFree> arrays(takeArrays(l.arrayBytes), HeapFree{l.arrayBytes});
    if (!arrays) return false;
    auto* header = static_cast<TableHeader*>(MemAllocZero(sizeof(TableHeader)));
    if (!header) return false;
    BYTE* block = arrays.get();
    std::memcpy(block, image->bytes.get(), ownPages ? l.offPages : l.offSave);
    header->saveLevels = block + l.offSave;
    header->items = *t->items;
    header->items.items = l.itemBytes ? reinterpret_cast<DmItem*>(block) : nullptr;
    header->items.lists = &image->lists;
    c->items = &header->items;
    // The template's table serves every context until it has its own;
    // CtxFree never frees it. A context of a library that gives each context
    // its own pages has room for them in its block, filled at the first use
    // (CtxPages): most contexts never look at a page.
    c->pages = t->pages;
    c->pagesPending = nullptr;
    if (ownPages) {
        UiPageTable* pages = &header->pages;
        *pages = *t->pages;
        pages->pages = l.pageBytes ? reinterpret_cast<UiPage*>(block + l.offPages) : nullptr;
        c->pagesPending = pages;
    }
    c->desc = &header->desc;
    std::memcpy(static_cast<void*>(c->desc), t->desc, sizeof(DriverDesc));
    header->arrayBytes = l.arrayBytes;
    header->arrays = arrays.release();
    return true;
}

// Fills the pages cloneTables left room for from the image, with the
// controls' addresses in the context's block.
void fillPages(UiPageTable* pages) {
    const ArrayImage* image = arrayImage(GetContextTemplate(), true);
    if (!image || !pages->pages) return;  // made at the clone: never null here
    const ArrayLayout& l = image->layout;
    BYTE* block = reinterpret_cast<BYTE*>(pages->pages) - l.offPages;
    std::memcpy(block + l.offPages, image->bytes.get() + l.offPages, l.offSave - l.offPages);
    auto* controls = reinterpret_cast<UiControl*>(block + l.offControls);
    for (size_t i = 0; i < l.pageBytes / sizeof(UiPage); ++i) {
        UiPage& pg = pages->pages[i];
        if (pg.controlCount > 0) {
            pg.controls = controls;
            controls += pg.controlCount;
        }
    }
}

// Frees the tables cloneTables made (c->items is their header).
void freeTables(DrvContext* c) {
    if (!c->items) return;
    auto* header = reinterpret_cast<TableHeader*>(c->items);
    giveArrays(header->arrays, header->arrayBytes);
    MemFree(header);
}

bool buildWorkspace(DrvContext* c, uint16_t kindWord, uint32_t flags, uint32_t documentMode,
                    const PRINTER_INFO_2W* info) {
    // The workspace and its shadow in one zero-filled block, which CtxFree
    // frees as a whole; a shadow never snapshotted reads as zeros. The save
    // stack's first levels are in the table block (cloneTables).
    const size_t offShadow = alignUp(sizeof(DrvWorkspace));
    BYTE* block = static_cast<BYTE*>(MemAllocZero(offShadow + dmSizes().stateSize));
    if (!block) return false;
    static_assert(std::is_trivial_v<DrvWorkspace>, "a zero-filled block is a fresh workspace");
    c->ws = reinterpret_cast<DrvWorkspace*>(block);
    DrvWorkspace* ws = c->ws;
    const uint16_t kind = kindWord & 0xFF;
    takePrinterFacts(ws, info, kind);
    BYTE* levels = reinterpret_cast<TableHeader*>(c->items)->saveLevels;
    for (size_t i = 0; i < kSaveLevels; ++i) ws->saveStack[i] = levels + levelBytes() * i;
    ws->shadow = block + offShadow;
    ws->kindOptions = kindWord & 0xFF00;
    ws->kind = kind;
    ws->creationFlags = flags;
    ws->documentMode = documentMode;
    WCHAR code[3] = {};
    if (PrnLanguageCode(c, kind, code) && code[0]) copyBounded(ws->languageCode, 3, code);
    else copyBounded(ws->languageCode, 3, u"us");
    return true;
}

// The handle and count items of each font table, found once for the
// buffers a step works on (the item table does not change meanwhile).
struct FontTableSlots {
    static constexpr size_t kTables = sizeof(kFontTableItems) / sizeof(kFontTableItems[0]);
    DmItem* handle[kTables];
    DmItem* count[kTables];
    explicit FontTableSlots(DrvContext* c) {
        for (size_t k = 0; k < kTables; ++k) {
            handle[k] = ItemFindById(c, kFontTableItems[k].handleItem);
            count[k] = ItemFindById(c, kFontTableItems[k].countItem);
        }
    }
};

// Frees the font tables `buffer` names and clears their handles and counts.
// No table has the handle 0 (FontTableAdopt never gives it), so a cleared
// handle has nothing to free.
void freeFontTablesIn(const FontTableSlots& s, BYTE* buffer) {
    if (!buffer) return;
    for (size_t k = 0; k < FontTableSlots::kTables; ++k) {
        if (const uint32_t table = ItemReadRawIn(buffer, s.handle[k])) FontTableRelease(table);
        ItemWriteRawIn(buffer, s.handle[k], 0);
        ItemWriteRawIn(buffer, s.count[k], 0);
    }
}

void freeDevmodeFontTables(DrvContext* c, BYTE* buffer) {
    if (buffer) freeFontTablesIn(FontTableSlots(c), buffer);
}

}  // namespace

const DrvContext* GetContextTemplate() { return &templ().ctx; }

void CtxFillPages(DrvContext* ctx) {
    UiPageTable* own = ctx ? ctx->pagesPending : nullptr;
    if (!own) return;
    fillPages(own);
    ctx->pages = own;
    ctx->pagesPending = nullptr;
}

void CtxSpareTables(bool keep) {
    BYTE* p = nullptr;
    {
        std::lock_guard g(g_spare.lock);
        std::swap(p, g_spare.block);
        g_spare.keeping = keep;
    }
    std::free(p);
}

void SetInstallRunning(bool on) { g_installRunning.store(on); }
bool InstallRunning() { return g_installRunning.load() || g_installMark.load() > 0; }
void InstallMarkEnter() { g_installMark.fetch_add(1); }
void InstallMarkLeave() {
    int n = g_installMark.load();
    while (n > 0 && !g_installMark.compare_exchange_weak(n, n - 1)) {
    }
}
int InstallMarkDepth() { return g_installMark.load(); }

BYTE* CtxGetDevmode(DrvContext* ctx) { return ctx ? ctx->devmode : nullptr; }

// The common settings of a new ordinary context: the persisted settings and,
// where the library takes it, the installer's hand-over.
int CtxOpenSettings(DrvContext* c) {
    SettingsSyncAtOpen(c);
    if (CurrentProfile().appliesHandOver) HandoverApplyAtOpen(c);
    return 1;
}

DrvContext* CtxCreateEx(HANDLE printer, HANDLE driverQuery, void* ignored, uint16_t kindWord, uint32_t flags,
                        uint32_t documentMode, const PRINTER_INFO_2W* info) {
    return CtxCreateExUsing(printer, driverQuery, ignored, kindWord, flags, documentMode, info, CtxOpenSettings);
}

DrvContext* CtxCreateExUsing(HANDLE printer, HANDLE driverQuery, void*, uint16_t kindWord, uint32_t flags,
                             uint32_t documentMode, const PRINTER_INFO_2W* info, CtxOpenSettingsFn openSettings) {
    // The creation's reads of one registry value (the private directory for
    // each file it opens) see one answer; the next creation asks again.
    RegReadScope reads;
    if (InstallRunning()) flags |= kCreateInstallRunning;
    PRINTER_INFO_2W* fetched = nullptr;
    if (!info) info = fetched = PrnGetInfo2(printer);
    if (flags == kCreateCallerApi) flags = kCreateApiCaller;

    if (DrvContext* hit = CtxCacheLookup(printer, kindWord, flags, documentMode, info)) {
        // The taker works through its own handles, never through ones the
        // context's first owner may have closed.
        hit->printer = printer;
        hit->driverQuery = driverQuery;
        PrnFreeInfo2(fetched);
        return hit;
    }

    const DrvContext* t = GetContextTemplate();
    DrvContext* c = allocCopy(t, 1);
    bool ok = c != nullptr;
    if (ok) {
        // Every part of the copy is the context's own or empty.
        c->items = nullptr;
        c->pages = nullptr;
        c->desc = nullptr;
        c->devmode = nullptr;
        c->model = nullptr;
        c->ws = nullptr;
        c->printer = printer;
        c->driverQuery = driverQuery;
        ok = cloneTables(c, t) && buildWorkspace(c, kindWord, flags, documentMode, info);
    }
    const uint16_t kind = kindWord & 0xFF;
    if (ok && kind < kKindFirstLight) {
        c->model = MdlCacheGet(c);
        ok = c->model != nullptr;
        if (ok) ok = MdlEvalStackAlloc(c) == 1;
        if (ok) {
            // A record this call read from the spooler a moment ago serves
            // the DEVMODE too; one the caller handed in may be older.
            c->devmode = fetched ? DmCreateDefaultFromInfo(c, kind, CurrentProfile(), fetched) : DmCreateDefault(c, kind);
            ok = c->devmode != nullptr;
        }
        // Persisted settings and the installer's hand-over refine the
        // defaults; a context whose printer has none is still complete.
        if (ok && kind == kKindOrdinary && openSettings) openSettings(c);
        if (ok) ok = DmCopyExtBlock(c) && CtxSnapshotDevmode(c);
    }
    PrnFreeInfo2(fetched);
    if (!ok) {
        CtxFree(c, kReleaseFree);
        return nullptr;
    }
    return c;
}

DrvContext* CtxCreate(HANDLE printer, HANDLE driverQuery, void* ignored, uint32_t flags) {
    return CtxCreateEx(printer, driverQuery, ignored, 0, flags, 0, nullptr);
}

DrvContext* CtxCreateWith(HANDLE printer, HANDLE driverQuery, void* ignored, uint16_t kindWord, uint32_t flags) {
    return CtxCreateEx(printer, driverQuery, ignored, kindWord, flags, 0, nullptr);
}

DrvContext* CtxCreateFromInfo(HANDLE printer, HANDLE driverQuery, void* ignored, uint32_t flags,
                              const PRINTER_INFO_2W* info) {
    return CtxCreateEx(printer, driverQuery, ignored, 0, flags, 0, info);
}

DrvContext* CtxCreateFull(HANDLE printer, HANDLE driverQuery, void* ignored, uint32_t flags, uint32_t documentMode,
                          const PRINTER_INFO_2W* info) {
    return CtxCreateEx(printer, driverQuery, ignored, 0, flags, documentMode, info);
}

void CtxReleaseEx(DrvContext* ctx, uint16_t type) {
    if (!ctx) return;
    DrvContext* toFree = ctx;
    if (type == kReleaseCache1) toFree = CtxCacheRelease(ctx, 1);
    else if (type == kReleaseCache2) toFree = CtxCacheRelease(ctx, 2);
    if (toFree) CtxFree(toFree, type);
}

void CtxRelease(DrvContext* ctx) { CtxReleaseEx(ctx, kReleaseCache2); }

void CtxReleaseAs(DrvContext* ctx, uint16_t type) { CtxReleaseEx(ctx, type); }

void CtxFree(DrvContext* c, uint16_t type) {
    if (!c) return;
    if (CurrentProfile().loadsResourceLibraries) ResFreeDlls(c);
    JcReleaseContext(c);
    // The shadow's font tables go with the context. The DEVMODE's go for the
    // release types of the caches and of a plain free; a releaser passing
    // another type has handed the DEVMODE's tables on and keeps them.
    if (c->ws) {
        const FontTableSlots slots(c);
        freeFontTablesIn(slots, c->ws->shadow);
        if (type == kReleaseCache2 || type == kReleaseCache1 || type == kReleaseFree)
            freeFontTablesIn(slots, c->devmode);
    }
    freeTables(c);
    MemFree(c->devmode);
    if (DrvWorkspace* ws = c->ws) {
        MdlEvalStackFree(c);
        DmSaveStackFree(c);
        FontTableRelease(ws->keptSubstTable);
        for (BYTE* b : ws->presetSnapshots) MemFree(b);
        if (ws->uiHookStateFree) ws->uiHookStateFree(ws->uiHookState);
        MemFree(ws->devInfoCaptureList);
        MemFree(ws);
    }
    MemFree(c);
}

int CtxSnapshotDevmode(DrvContext* ctx) {
    if (!ctx || !ctx->ws || !ctx->ws->shadow || !ctx->devmode) return 0;
    const FontTableSlots slots(ctx);
    BYTE* shadow = ctx->ws->shadow;
    freeFontTablesIn(slots, shadow);
    std::memcpy(shadow, ctx->devmode, dmSizes().stateSize);
    for (size_t k = 0; k < FontTableSlots::kTables; ++k) {
        DmItem* n = slots.count[k];
        DmItem* h = slots.handle[k];
        uint32_t count = ItemReadRawIn(shadow, n);
        uint32_t copy = count ? FontTableCopy(ItemReadRawIn(shadow, h), count, kFontTableItems[k].entrySize) : 0;
        ItemWriteRawIn(shadow, n, copy ? count : 0);
        ItemWriteRawIn(shadow, h, copy);
    }
    return 1;
}

int CtxFreeFontTables(DrvContext* ctx) {
    if (!ctx || !ctx->ws || !ctx->ws->shadow) return 0;
    freeDevmodeFontTables(ctx, ctx->ws->shadow);
    return 1;
}

}  // namespace vesk
