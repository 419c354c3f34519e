// Shared parts of the header renderer.
#pragma once
#include <cstdint>

#include "core/context.h"
#include "core/item.h"
#include "core/model/image.h"
#include "header/command_record.h"
#include "header/header.h"

namespace vesk {

struct HeaderRender {
    DrvContext* ctx;
    MdlImageView view;
    HeaderText& out;
};

// Runs the driver's own command of `kind` for the item. True when the
// option is handled (nothing more is done for the node), false for the
// kinds the driver has no command of (4, 11 and unknown ones).
bool RenderSpecialCommand(HeaderRender& r, int kind, const CommandRecord& rec, DmItem* item);

// "@PJL SET DEVFONTID" from the device font list (items 10006, 10007).
void PjlDevFontId(HeaderRender& r);
// "@PJL SET SUBFONTTABLE" after a FontTbl option whose current value has a
// font table (items 10004, 10005).
void PjlSubFontTable(HeaderRender& r, const CommandRecord& rec, uint32_t value);

// An item's value as a signed number (sign-extended for the signed types).
int64_t ItemSignedValue(const DmItem* item, uint32_t value);
// value x multiplier / divisor in 64 bits; a divisor of 0 leaves the value.
int64_t ScaleValue(int64_t value, int64_t multiplier, int64_t divisor);
// Makes ANSI text safe for a PJL line in place; returns its length.
size_t SanitizeAnsi(char* text, size_t length);

}  // namespace vesk
