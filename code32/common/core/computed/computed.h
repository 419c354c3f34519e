// Computed items: the model's rules test the finisher, the paper trays and
// the page layout through items 731 to 858, whose value is never read from
// the DEVMODE but worked out here from the items they depend on. Every
// predicate answers 0 or 1.
//
// Paper codes are the Windows DMPAPER_* values (513, 514 and 517 are driver
// codes) as signed 16-bit numbers; paper sources are DMBIN_* values. The
// paper tested is the output paper (ItemCachedEffectiveOutPaper).
#pragma once
#include <win/types.h>

#include "core/context.h"

namespace vesk {

constexpr uint16_t kComputedFirst = 731;
constexpr uint16_t kComputedLast = 858;

// The value of computed item `id`, 0 or 1; 0 for an id without a predicate.
uint32_t ComputedItemValue(DrvContext* ctx, int id);

// ---- Papers ----
// The output paper: item 50 unless it holds 1024, then item 8.
int16_t ItemCachedEffectiveOutPaper(DrvContext* ctx);
// Membership in the built-in paper lists. List A with the extension flag
// also takes code 11, and code 6 while a Fin2000-family finisher is fitted.
bool PaperInFinListA(DrvContext* ctx, int16_t paper, bool ext);
bool PaperOutsideList737(int16_t paper);
bool PaperInFin1000List(int16_t paper);
bool PaperInFinBFList(int16_t paper);
bool PaperInOutOpt14List(int16_t paper);
bool PaperInOutOpt15List(int16_t paper);
bool PaperIsLong(int16_t paper);

// ---- Finishers ----
bool IsFin2000FamilyFitted(DrvContext* ctx);
bool IsFin3000FamilyFitted(DrvContext* ctx);
bool IsFin2000Or3000Fitted(DrvContext* ctx);

// ---- Trays ----
// Source 1 is tray 1, 3 tray 2, 2 tray 3, 256 tray 4, 11 the large-capacity
// tray, 4 the manual tray (else the multi tray when only that is fitted),
// 7 every unlocked tray of trays 1-4, the large-capacity and the multi tray
// (the manual tray never takes part).
// 1 when a tray of `source` holds paper `p` turned `o` (0 upright).
int TrayHoldsPaper(DrvContext* ctx, int source, int16_t p, uint32_t o);
// The same for the source of dmDefaultSource; NoAuto takes source 7 as 1.
int SourceTrayHoldsPaper(DrvContext* ctx, int16_t p, uint32_t o);
int SourceTrayHoldsPaperNoAuto(DrvContext* ctx, int16_t p, uint32_t o);
// 1 when a tray of `source` holds paper `p` in any orientation.
int TrayHasPaper(DrvContext* ctx, int source, int16_t p);
// Over the trays of dmDefaultSource that hold `p`: bit 0 when one holds it
// upright, bit 1 when one holds it turned.
uint32_t TrayPaperOrientFlags(DrvContext* ctx, int16_t p);
// Paper and orientation of the tray of source 1, 2, 3, 4, 11 or 256. 0 when
// the source names no such tray.
int TrayGetPaperOrient(DrvContext* ctx, int source, uint32_t* outPaper, uint32_t* outOrient);

// ---- Layout and finishing ----
// 1 when the printed page is landscape after layout: N-up of 1 to 18 pages
// and a duplex type of 17 or more turn a portrait page.
int IsEffectiveLandscape(DrvContext* ctx);
// The edge the finisher works on: 1 and 2 the two feed edges, 3 either, 0
// none (the first fitted finisher decides).
int GetFinishEdge(DrvContext* ctx);
// Recomputes the source and output paper items and checks the size limits
// of the print mode: 1 at 600 dpi, else 1 when the output paper and the
// scaled source paper are at most 30708 dots each way. With `fromItems` the
// resolution goes from the items to the public fields and the source paper
// always comes from dmPaperSize.
int CheckPaperSizeLimits(DrvContext* ctx, int fromItems);

}  // namespace vesk
