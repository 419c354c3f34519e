// The capability summary: each byte's bits from the values allowed now.
#include <cstring>

#include "core/allowed/allowed_values.h"
#include "core/caps/capability_codes.h"
#include "core/caps/device_caps.h"
#include "core/caps/summary.h"
#include "core/item_ids.h"
#include "core/item_store.h"
#include "core/sysdeps.h"

namespace vesk {
namespace {

constexpr const char* kCollate = "collate";
constexpr const char* kPunch = "punch";
constexpr const char* kStaple = "staple";
constexpr const char* kTray = "output tray";
constexpr const char* kResolution = "resolution";
constexpr const char* kOutPaper = "output paper";

constexpr SummaryBit kBits[] = {
    {2, 0x01, 1, kCollate},     {2, 0x02, 4, kCollate},     {2, 0x04, 6, kCollate},
    {4, 0x01, 1, kPunch},       {4, 0x02, 2, kPunch},       {4, 0x04, 3, kPunch},
    {5, 0x01, 34, kStaple},     {5, 0x02, 33, kStaple},     {5, 0x04, 18, kStaple},     {5, 0x08, 17, kStaple},
    {5, 0x10, 2, kStaple},      {5, 0x20, 1, kStaple},      {5, 0x40, 65, kStaple},     {5, 0x80, 67, kStaple},
    {6, 0x01, 66, kStaple},     {6, 0x02, 50, kStaple},     {6, 0x04, 49, kStaple},
    {7, 0x01, 0, kTray},        {7, 0x02, 2, kTray},        {7, 0x04, 13, kTray},       {7, 0x08, 4, kTray},
    {7, 0x10, 15, kTray},       {7, 0x20, 16, kTray},       {7, 0x40, 17, kTray},       {7, 0x80, 18, kTray},
    {8, 0x01, 19, kTray},       {8, 0x02, 20, kTray},       {8, 0x04, 21, kTray},       {8, 0x08, 22, kTray},
    {8, 0x10, 23, kTray},       {8, 0x80, 14, kTray},
    {10, 0x01, 400, kResolution}, {10, 0x02, 600, kResolution}, {10, 0x04, 1200, kResolution},
    {13, 0x01, 8, kOutPaper},   {13, 0x02, 9, kOutPaper},   {13, 0x04, 11, kOutPaper},  {13, 0x08, 70, kOutPaper},
    {13, 0x10, 12, kOutPaper},  {13, 0x20, 13, kOutPaper},  {13, 0x40, 88, kOutPaper},  {13, 0x80, 1, kOutPaper},
    {14, 0x01, 5, kOutPaper},   {14, 0x02, 43, kOutPaper},  {14, 0x04, 6, kOutPaper},   {14, 0x08, 3, kOutPaper},
    {14, 0x10, 267, kOutPaper}, {14, 0x20, 268, kOutPaper}, {14, 0x40, 66, kOutPaper},  {15, 0x02, 269, kOutPaper},
    {0, 0, 0, nullptr}};
constexpr int kSelectorOther = 64;

// Sets the bit that stands for `value` of `group`; false when none does.
bool markValue(BYTE* caps, const char* group, int32_t value) {
    for (const SummaryBit* b = kBits; b->group; ++b)
        if (b->group == group && b->value == value) {
            caps[b->byte] |= b->bit;
            return true;
        }
    return false;
}

// A zero-filled work list of MemAllocZero, freed with the object.
template <typename T>
struct WorkList {
    T* p = nullptr;
    explicit WorkList(size_t n) : p(n ? static_cast<T*>(MemAllocZero(n * sizeof(T))) : nullptr) {}
    ~WorkList() { MemFree(p); }
    WorkList(const WorkList&) = delete;
    WorkList& operator=(const WorkList&) = delete;
};

// The bits of the allowed values of setting `item`. False when a list cannot
// be had.
bool markAllowed(DrvContext* ctx, BYTE* caps, int item, const char* group) {
    uint32_t n = 0;
    const int r = OptGetAllowedValues(ctx, static_cast<uint32_t>(item), 0, nullptr, &n);
    if (r != kAllowedDone && r != kAllowedTooSmall) return false;
    if (n == 0) return true;
    WorkList<uint32_t> list(n);
    if (!list.p || OptGetAllowedValues(ctx, static_cast<uint32_t>(item), n, list.p, &n) != kAllowedDone) return false;
    for (uint32_t i = 0; i < n; ++i) markValue(caps, group, static_cast<int32_t>(list.p[i]));
    return true;
}

bool markTrays(DrvContext* ctx, BYTE* caps) {
    caps[7] |= 0x02;
    const int n = CapsGetOutputTrays(ctx, nullptr);
    if (n <= 0) return true;
    WorkList<uint16_t> trays(static_cast<size_t>(n));
    if (!trays.p || CapsGetOutputTrays(ctx, trays.p) != n) return false;
    for (int i = 0; i < n; ++i) {
        const int code = trays.p[i];
        if (markValue(caps, kTray, code)) continue;
        if (CapsCodeListed(code, kCapsSelectorBlank)) caps[8] |= kSummaryTrayListedBlank;
        else if (CapsCodeListed(code, kSelectorOther)) caps[8] |= kSummaryTrayListedOther;
    }
    return true;
}

bool markResolutions(DrvContext* ctx, BYTE* caps) {
    const int n = CapsGetResolutions(ctx, nullptr);
    if (n <= 0) return true;
    WorkList<int32_t> pairs(2 * static_cast<size_t>(n));
    if (!pairs.p || CapsGetResolutions(ctx, pairs.p) != n) return false;
    for (int i = 0; i < n; ++i)
        if (pairs.p[2 * i] == pairs.p[2 * i + 1]) markValue(caps, kResolution, pairs.p[2 * i]);
    return true;
}

bool computeSummary(DrvContext* ctx, BYTE* caps) {
    std::memset(caps, 0, kSummaryBytes);
    caps[1] = CapsHasOption10014(ctx) ? 7 : 0;
    caps[3] = 3;
    caps[11] = 1;
    caps[12] = 63;
    caps[17] = 1;
    return markAllowed(ctx, caps, kItRdmSortType, kCollate) && markAllowed(ctx, caps, kItRdmPunchType, kPunch) &&
           markAllowed(ctx, caps, kItRdmStapleType, kStaple) && markTrays(ctx, caps) && markResolutions(ctx, caps) &&
           markAllowed(ctx, caps, kItRdmOutPaperSize, kOutPaper);
}

}  // namespace

const SummaryBit* SummaryBits() { return kBits; }

int CapsBuildSummary(DrvContext* ctx) {
    if (!ctx || !ctx->devmode) return 0;
    BYTE caps[kSummaryBytes];
    if (!computeSummary(ctx, caps)) return 0;
    ItemSetRawBytes(ctx, ItemFindById(ctx, kItRdmKwomCaps), caps);
    ItemSetRawBytes(ctx, ItemFindById(ctx, kItRdmKwomMember), nullptr);
    return 1;
}

}  // namespace vesk
