// Shared routines of the vector drawing calls: the common opening, colour
// descriptions and ROP conversions, the clip step with its one-entry cache,
// the choice of brush, the line attributes, path records from the engine's
// path objects, temporary surfaces and the raster paths that ship images.
// The path, blit and text calls all go through these.
#pragma once
#include <win/gdi.h>

#include "pdev.h"
#include "records/brush_record.h"
#include "records/draw_state.h"
#include "records/raster_record.h"

namespace vesk {

// ---------------------------------------------------------------------------
// Common opening of every drawing call: the device of the surface when the
// call is to draw; null otherwise with *result set: 0 for a surface that is
// not one of ours (ERROR_INVALID_PARAMETER) or a device whose output has
// failed, 1 when the device draws nothing (item 364).
Pdev* DrawBegin(SURFOBJ* pso, BOOL* result);

// ---------------------------------------------------------------------------
// Colours and ROPs.

// Red and blue bytes exchanged: the engine's 0x00RRGGBB becomes the
// records' 0x00BBGGRR and back.
DWORD ColorSwapRB(DWORD color);
// The foreground and background exchanged so, and the pen when it is set.
void ColorDescSwap(ColorDesc* desc);
// Foreground mix and background mode from an engine mix (transparent when
// the background mix is the no-operation mix 11), and the stroke-and-fill
// flag. The colours are left as they are.
void ColorDescFromMix(MIX mix, ColorDesc* desc, int strokeAndFill);
// The mix code (1 to 16) of a ternary ROP that uses only pattern and
// destination; 0 for every other code.
BYTE PatternRopToMix(BYTE rop3);
// Bits 16-23 of a 32-bit raster operation (0xCC0020 gives 0xCC).
BYTE RopFromRop4(DWORD rop);

// ---------------------------------------------------------------------------
// Clip step: the clip rectangle (RectRecord operation 5), the clip path
// (PathRecord mode 5) or the end of any clip (ClipResetRecord), each sent
// only when the device does not hold it yet. 1 when a record was sent, 0
// when none was needed, -1 on failure (the cache is unchanged).
int ClipSelect(Pdev* pdev, CLIPOBJ* pco);

// ---------------------------------------------------------------------------
// Brushes.

// The realised pattern brush (with the origin's low bytes stored in it) for
// a pattern brush, else the device's solid-brush slot filled with the
// brush's colour. Null without a brush or when the pattern cannot be
// realised.
RealizedBrush* BrushSelect(Pdev* pdev, SURFOBJ* pso, BRUSHOBJ* pbo, const POINTL* origin);
// The solid-brush slot with `foreground` on white.
RealizedBrush* SolidBrushSlot(Pdev* pdev, DWORD foreground);

// ---------------------------------------------------------------------------
// Line attributes.

// The width factor of a transform in 1/256: -1 for the identity (widths
// stay), 0 for a transform that changes widths by direction (unusable),
// else the scale of a uniform scale or of a rotation with uniform scale.
LONG XformLineScale(XFORMOBJ* pxo);
// The line records' attributes of engine line attributes drawn in `color`
// under `pxo`; *geometric says whether the line is geometric. 0 when the
// line cannot be represented (a geometric line only: a cosmetic dash style
// that cannot be converted leaves the line solid).
int LineAttrsConvert(Pdev* pdev, const LINEATTRS* la, DWORD color, XFORMOBJ* pxo, LineAttrs* out, int* geometric);

// ---------------------------------------------------------------------------
// Paths.

// One PathRecord for the whole path (a stroke of several subpaths with a
// closed figure: one per subpath). False with nothing written when the path
// does not make a record or the record cannot be written.
bool PathRecordWrite(Pdev* pdev, PATHOBJ* ppo, BYTE mode);
// One PathRecord per subpath, each with the whole path's bounds.
bool PathRecordWriteSubpaths(Pdev* pdev, PATHOBJ* ppo, BYTE mode);
// A glyph's outline as GlyphRecord outline data, points moved by (dx, dy),
// into `buffer` of `capacity` bytes (null: only the size); *closed tells
// whether a figure is closed. The byte count (a multiple of 4), 0 when the
// outline does not make a path or does not fit.
DWORD GlyphOutlineData(Pdev* pdev, PATHOBJ* ppo, BOOL* closed, BYTE* buffer, DWORD capacity, LONG dx, LONG dy);

// ---------------------------------------------------------------------------
// Temporary surfaces and raster paths.

// A top-down engine bitmap of the size and format, associated with the
// device and locked; null (nothing left behind) when it cannot be made.
// Free it with TempSurfaceDelete.
SURFOBJ* TempSurfaceCreate(Pdev* pdev, HSURF* out, LONG width, LONG height, ULONG format);
void TempSurfaceDelete(SURFOBJ* pso, HSURF hsurf);

// The raster record format (kRaster1, 4, 8 or 24) of an engine bitmap
// format; *convert is set for formats that must be converted to 24 bits.
DWORD RasterFormatOf(ULONG bitmapFormat, bool* convert);
// True when the translation is the plain grey ramp of the format's 2, 16
// or 256 entries: such images go without a palette.
bool XlateIsGreyRamp(const XLATEOBJ* pxlo, DWORD rasterFormat);
// The record's palette bytes (blue, green, red per entry) of a translation
// for a 1, 4 or 8-bit format, into `out` (768 bytes); false when there is
// none to send.
bool RasterPaletteBytes(const XLATEOBJ* pxlo, DWORD rasterFormat, BYTE* out);
// The device's options for its raster records.
RasterOptions RasterOptionsOf(const Pdev* pdev);
// Writes the record in batches, and row by row when that fails; false when
// both fail (nothing of the record is left in the stream; when part of it
// had already left, the device's output is marked failed).
bool RasterShip(Pdev* pdev, const RasterImage& image);

// The copy path: the source's part at the source point into the target
// rectangle. 1 done, 0 failure.
BOOL CopyRasterShip(Pdev* pdev, XLATEOBJ* pxlo, SURFOBJ* src, const POINTL* srcPoint, const RECTL* target);
// A 24-bit part of the source sent straight from its bitmap: 1 sent, 0 on
// failure, -1 when the part does not lie inside the bitmap.
int CropRaster24(Pdev* pdev, SURFOBJ* src, const POINTL* srcPoint, const RECTL* target);
// The stretch path: the source rectangle into the target rectangle (a
// mirrored target mirrors the image). 1 done, 0 failure.
BOOL StretchRasterShip(Pdev* pdev, XLATEOBJ* pxlo, SURFOBJ* src, COLORADJUSTMENT* pca, POINTL* htOrigin,
                       const RECTL* target, const RECTL* srcRect);
// The stretch path's way out when no bitmap of the image's size can be
// made: the source rectangle of an 8, 24 or 32-bit source sent row by row
// (32-bit rows converted one at a time, halved when large or reduced).
BOOL StretchRasterBanded(Pdev* pdev, SURFOBJ* src, const RECTL* srcRect, const RECTL* target, XLATEOBJ* pxlo);
// The blit path: the source at the source point into the target, through
// the mask for rop4 0xAACC. 1 done, 0 failure.
BOOL BlitRasterShip(Pdev* pdev, XLATEOBJ* pxlo, SURFOBJ* src, const POINTL* srcPoint, const RECTL* target,
                    const POINTL* maskPoint, SURFOBJ* mask, ROP4 rop4);

// ---------------------------------------------------------------------------
// Colour transforms: every transform the device made, freed at disable.
void IcmFreeAll(Pdev* pdev);

}  // namespace vesk
