// The compiled model's command records as the header renderer reads them:
// an option record found by its option key and sub-key, with its type word,
// its affixes (the OptionCommand pair) and its values. Every read goes
// through the image view; a record that does not hold up reads as absent.
#pragma once
#include <cstdint>
#include <string_view>

#include "core/context.h"
#include "core/model/image.h"
#include "core/model/query.h"
#include "header/header.h"

namespace vesk {

// Type-word flags of a command record: an Identity record answers any
// sub-key, a TypeUnknown record writes nothing.
constexpr uint16_t kCmdAnySubKey = kMdlIdentity;
constexpr uint16_t kCmdWriteNothing = kMdlTypeUnknown;

struct CommandRecord {
    uint32_t at = 0;       // offset of the option record
    uint16_t type = 0;     // the type word
    Affixes affixes;
    uint32_t values = 0;   // the value list or block (0: none)
};

// The first record of the option list whose key is `key` and whose sub-key
// is `subKey` or whose type word has 0x1000. False when there is none.
bool MdlFindCommand(const MdlImageView& view, uint16_t key, uint16_t subKey, CommandRecord* out);

// A text of the image at a string link (0: absent), as it stands.
bool ImageText(const MdlImageView& view, uint32_t linkAt, std::string_view* out);

// The value record of a list type whose value id equals `value` (16-bit
// compare); its offset, or 0.
uint32_t FindValueRecord(const MdlImageView& view, const CommandRecord& rec, uint16_t value);

// Multiplier and divisor of a Numeric record; 1 and 1 for other records.
void NumericScale(const MdlImageView& view, const CommandRecord& rec, int64_t* multiplier, int64_t* divisor);

}  // namespace vesk
