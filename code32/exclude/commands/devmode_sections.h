// A saved copy of the parts of a context's DEVMODE buffer that trials and
// stamp loads change: the spooler's DEVMODE (section 1) and the state
// section 3. Section 2 is never saved or put back: it holds font-table
// handles that may be freed and replaced meanwhile.
#pragma once
#include <win/types.h>

#include "core/context.h"

namespace vesk {

// The saved bytes (MemAllocZero), or null without a DEVMODE or memory.
BYTE* DmSaveSections13(DrvContext* ctx);
// Puts saved bytes back and frees them; null does nothing.
void DmRestoreSections13(DrvContext* ctx, BYTE* saved);

// Saves on construction, puts back when the scope ends.
class DmSections13Guard {
public:
    explicit DmSections13Guard(DrvContext* ctx) : ctx_(ctx), saved_(DmSaveSections13(ctx)) {}
    ~DmSections13Guard() { DmRestoreSections13(ctx_, saved_); }
    DmSections13Guard(const DmSections13Guard&) = delete;
    DmSections13Guard& operator=(const DmSections13Guard&) = delete;
    bool ok() const { return saved_ != nullptr; }

private:
    DrvContext* ctx_;
    BYTE* saved_;
};

}  // namespace vesk
