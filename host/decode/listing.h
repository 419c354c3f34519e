// A readable listing of a device stream: the job header and page header and
// trailer lines as text, then one line per drawing record with its fields,
// pages numbered. Golden files compare listings, so the text depends only on
// the decoded content: no file offsets unless asked for, pixel data shown as
// short digests, every byte outside printable ASCII escaped.
#pragma once
#include <string>

#include "decode/records.h"
#include "decode/stream.h"

namespace vesk::decode {

struct ListingOptions {
    bool recordsOnly = false;  // pages and drawing records only: no header text, blocks or raw data
    bool offsets = false;      // prefix each line with "@N " (its file offset)
};

// One drawing record as a line (without indent or line end).
std::string describeRecord(const Record& r, const DrawingStream& s);

// Decodes `input` and returns the listing of everything decoded before the
// first problem; *summary says whether and where it stopped. Never throws.
std::string listStream(Bytes input, const StreamOptions& stream, const ListingOptions& options,
                       Summary* summary) noexcept;

}  // namespace vesk::decode
