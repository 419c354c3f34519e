// The job identity of the print method: exchanged between the handle's
// DEVMODE and the job-control library.
#pragma once
#include <win/types.h>

#include "core/context.h"

namespace vesk {

// Identity mask bits.
constexpr uint32_t kIdUserCode = 0x1, kIdOwner = 0x2, kIdJobPw = 0x4, kIdUserId = 0x8, kIdDocument = 0x10,
                   kIdTelNo = 0x20, kIdTelLine = 0x40, kIdStoredPw = 0x80;

// Fetches the identity items of the mask from job control into the DEVMODE.
void JcFillUserItems(DrvContext* ctx, uint32_t mask);
// Hands one identity item (0x2, 0x4, 0x8, 0x10 or 0x80) to job control.
void JcStoreUserItem(DrvContext* ctx, uint32_t bit);

}  // namespace vesk
