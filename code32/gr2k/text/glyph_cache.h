// The device's glyph cache: which glyphs of which font the device holds on
// this page, so a glyph image goes once and is then named by its character.
// 1024 buckets keyed by (font identity + generation + character) & 0x3FF;
// every reset empties it and raises the generation, so entries of an earlier
// page never match again.
#pragma once
#include <win/types.h>

#include "pdev.h"

namespace vesk {

constexpr ULONG kGlyphCacheBuckets = 1024;

struct GlyphCacheEntry {
    DWORD fontId;
    SHORT generation;
    SHORT ch;
    GlyphCacheEntry* next;
    BYTE textMode;
};

struct GlyphCache {
    GlyphCacheEntry* buckets[kGlyphCacheBuckets];
};

// True when the device holds the glyph.
bool GlyphCacheFind(Pdev* p, DWORD fontId, WCHAR ch, BYTE textMode);
// Records the glyph; false (nothing recorded) without memory.
bool GlyphCacheAdd(Pdev* p, DWORD fontId, WCHAR ch, BYTE textMode);
// Frees every entry and raises the generation.
void GlyphCacheReset(Pdev* p);
// Frees the cache itself (at disable).
void GlyphCacheFree(Pdev* p);

}  // namespace vesk
