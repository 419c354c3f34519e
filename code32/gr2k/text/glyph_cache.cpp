#include "text/glyph_cache.h"

#include <win/memory.h>

namespace vesk {

namespace {

ULONG bucketOf(DWORD fontId, SHORT generation, WCHAR ch) {
    return (fontId + static_cast<DWORD>(static_cast<WORD>(generation)) + ch) & (kGlyphCacheBuckets - 1);
}

void freeEntries(GlyphCache* c) {
    for (auto& head : c->buckets) {
        while (head) {
            GlyphCacheEntry* next = head->next;
            GlobalFree(head);
            head = next;
        }
    }
}

}  // namespace

bool GlyphCacheFind(Pdev* p, DWORD fontId, WCHAR ch, BYTE textMode) {
    if (!p->glyphCache) return false;
    const SHORT gen = p->glyphGeneration;
    for (const GlyphCacheEntry* e = p->glyphCache->buckets[bucketOf(fontId, gen, ch)]; e; e = e->next)
        if (e->fontId == fontId && e->generation == gen && e->ch == static_cast<SHORT>(ch) && e->textMode == textMode)
            return true;
    return false;
}

bool GlyphCacheAdd(Pdev* p, DWORD fontId, WCHAR ch, BYTE textMode) {
    if (!p->glyphCache) {
        p->glyphCache = static_cast<GlyphCache*>(GlobalAlloc(GPTR, sizeof(GlyphCache)));
        if (!p->glyphCache) return false;
    }
    auto* e = static_cast<GlyphCacheEntry*>(GlobalAlloc(GPTR, sizeof(GlyphCacheEntry)));
    if (!e) return false;
    e->fontId = fontId;
    e->generation = p->glyphGeneration;
    e->ch = static_cast<SHORT>(ch);
    e->textMode = textMode;
    GlyphCacheEntry*& head = p->glyphCache->buckets[bucketOf(fontId, p->glyphGeneration, ch)];
    e->next = head;
    head = e;
    return true;
}

void GlyphCacheReset(Pdev* p) {
    if (p->glyphCache) freeEntries(p->glyphCache);
    p->glyphGeneration = static_cast<int16_t>(p->glyphGeneration + 1);
}

void GlyphCacheFree(Pdev* p) {
    if (!p->glyphCache) return;
    freeEntries(p->glyphCache);
    GlobalFree(p->glyphCache);
    p->glyphCache = nullptr;
}

}  // namespace vesk
