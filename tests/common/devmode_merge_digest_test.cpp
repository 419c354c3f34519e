// The merge of many varied caller DEVMODEs into a context of the sample
// printer, each result (the whole three-section buffer, the return value and
// the workspace's merge flags) reduced to a digest and held against the
// digest the merge gave before its walks were reworked. A faster path that
// takes another branch for one of these inputs shows here as a changed
// digest, with the case that changed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "common/devmode_support.h"
#include "common/sample_printer_support.h"
#include "core/devmode/dm_defaults.h"
#include "core/devmode/dm_layout.h"
#include "core/devmode/dm_public.h"
#include "core/devmode_sizes.h"
#include "core/font_tables.h"
#include "core/item_store.h"

using namespace vesk;
using namespace vesk::test;

namespace {

constexpr uint32_t kJobMerge = 0x8000008;   // the graphics driver's job merge
constexpr uint32_t kDocMerge = 0x22000008;  // the document-properties merge without interface
constexpr uint32_t kPromptMerge = 0x2000000 | kMergeModify | kMergePrompt;

uint64_t fnv(const BYTE* p, size_t n, uint64_t h = 1469598103934665603ull) {
    for (size_t i = 0; i < n; ++i) h = (h ^ p[i]) * 1099511628211ull;
    return h;
}

// A small deterministic generator, so that every run builds the same inputs.
struct Rng {
    uint32_t s;
    uint32_t next() {
        s ^= s << 13;
        s ^= s >> 17;
        s ^= s << 5;
        return s;
    }
    uint32_t below(uint32_t n) { return next() % n; }
};

// One caller DEVMODE and the flags it is merged with.
struct Input {
    std::vector<BYTE> dm;
    uint32_t flags;
    bool null = false;
};

void put16(std::vector<BYTE>& b, uint32_t off, int32_t v) { dm::wr16(b.data(), off, static_cast<uint32_t>(v)); }

// Values of the public fields: allowed ones, refused ones and edge values.
const int32_t kOrient[] = {1, 2, 0, 3, -1};
const int32_t kPaper[] = {9, 1, 5, 11, 8, 13, 256, 0, 999, 70, 120, -3};
const int32_t kSource[] = {15, 7, 1, 2, 3, 4, 0, 260, 999};
const int32_t kQuality[] = {600, 1200, 300, 400, -1, -2, -3, -4, 0, 2400, 601};
const int32_t kCopies[] = {1, 3, 0, 999, 1000, -5, 32767};
const int32_t kScale[] = {100, 25, 400, 0, 401, 1000};
const int32_t kDuplex[] = {1, 2, 3, 0, 4};
const int32_t kColor[] = {1, 2, 0, 3};
const int32_t kTT[] = {1, 2, 3, 4, 0};
const int32_t kCollate[] = {0, 1, 2};
const uint32_t kMedia[] = {1, 2, 3, 256, 257, 300, 0, 99999};
const uint32_t kIcm[] = {1, 2, 3, 4, 0, 256};
const uint32_t kDither[] = {1, 2, 3, 4, 5, 256, 0};
const int32_t kLength[] = {2970, 2794, 1500, 0, -10, 5000, 100};

template <class T, size_t N>
T pick(Rng& r, const T (&a)[N]) {
    return a[r.below(N)];
}

// A caller DEVMODE from the context's own with random public fields, random
// values in random private items and, now and then, an older size, a
// foreign driver name or a broken private part.
Input randomInput(DrvContext* c, Rng& r, uint32_t flags) {
    const DmSizes& s = dmSizes();
    Input in{std::vector<BYTE>(c->devmode, c->devmode + s.totalSize), flags};
    std::vector<BYTE>& b = in.dm;
    uint32_t f = 0;
    if (r.below(2)) put16(b, dm::kOffOrientation, pick(r, kOrient)), f |= DM_ORIENTATION;
    if (r.below(2)) put16(b, dm::kOffPaperSize, pick(r, kPaper)), f |= DM_PAPERSIZE;
    if (r.below(4) == 0) put16(b, dm::kOffPaperLength, pick(r, kLength)), f |= DM_PAPERLENGTH;
    if (r.below(4) == 0) put16(b, dm::kOffPaperWidth, pick(r, kLength)), f |= DM_PAPERWIDTH;
    if (r.below(3) == 0) put16(b, dm::kOffScale, pick(r, kScale)), f |= DM_SCALE;
    if (r.below(2)) put16(b, dm::kOffCopies, pick(r, kCopies)), f |= DM_COPIES;
    if (r.below(2)) put16(b, dm::kOffDefaultSource, pick(r, kSource)), f |= DM_DEFAULTSOURCE;
    if (r.below(2)) put16(b, dm::kOffPrintQuality, pick(r, kQuality)), f |= DM_PRINTQUALITY;
    if (r.below(2)) put16(b, dm::kOffDuplex, pick(r, kDuplex)), f |= DM_DUPLEX;
    if (r.below(3) == 0) put16(b, dm::kOffColor, pick(r, kColor)), f |= DM_COLOR;
    if (r.below(3) == 0) put16(b, dm::kOffTTOption, pick(r, kTT)), f |= DM_TTOPTION;
    if (r.below(3) == 0) put16(b, dm::kOffCollate, pick(r, kCollate)), f |= DM_COLLATE;
    if (r.below(3) == 0) dm::wr32(b.data(), dm::kOffMediaType, pick(r, kMedia)), f |= DM_MEDIATYPE;
    if (r.below(4) == 0) dm::wr32(b.data(), dm::kOffICMMethod, pick(r, kIcm)), f |= DM_ICMMETHOD;
    if (r.below(4) == 0) dm::wr32(b.data(), dm::kOffICMIntent, pick(r, kIcm)), f |= DM_ICMINTENT;
    if (r.below(4) == 0) dm::wr32(b.data(), dm::kOffDitherType, pick(r, kDither)), f |= DM_DITHERTYPE;
    if (r.below(5) == 0) {
        const char16_t* forms[] = {u"A4", u"Letter", u"", u"No such form"};
        const char16_t* form = forms[r.below(4)];
        for (uint32_t i = 0; i < dm::kFormNameChars; ++i)
            dm::wr16(b.data(), dm::kOffFormName + 2 * i, i < std::char_traits<char16_t>::length(form) ? form[i] : 0);
        f |= DM_FORMNAME;
    }
    dm::setFields(b.data(), f | (r.below(4) == 0 ? r.next() : 0));

    // Values in private items: any item whose field lies in the private part.
    const int n = r.below(4) == 0 ? 0 : static_cast<int>(r.below(12));
    for (int k = 0; k < n && c->items && c->items->count > 0; ++k) {
        const DmItem* it = &c->items->items[r.below(static_cast<uint32_t>(c->items->count))];
        const BYTE* at = ItemGetStorage(c, it);
        if (!at) continue;
        const ptrdiff_t off = at - c->devmode;
        if (off < static_cast<ptrdiff_t>(s.publicSize) || off + 4 > static_cast<ptrdiff_t>(s.totalSize)) continue;
        const uint32_t v = r.below(3) == 0 ? r.next() : r.below(8);
        const uint32_t size = itemSize(*it);
        for (uint32_t i = 0; i < (size == 0 || size > 4 ? 1 : size); ++i) b[off + i] = static_cast<BYTE>(v >> (8 * i));
    }
    switch (r.below(12)) {
    case 0:  // a foreign driver's name
        for (uint32_t i = 0; i < 8; ++i) dm::wr16(b.data(), dm::kOffDeviceName + 2 * i, u"Foreign!"[i]);
        break;
    case 1:  // a private part that is not this driver's
        b[s.publicSize + r.below(16)] ^= 0x5A;
        break;
    case 2:  // an older public size, no private part
        put16(b, dm::kOffSize, 156);
        put16(b, dm::kOffDriverExtra, 0);
        b.resize(156);
        break;
    case 3:  // the public part alone
        put16(b, dm::kOffDriverExtra, 0);
        b.resize(s.publicSize);
        break;
    case 4:  // a shorter private part than this driver's
        put16(b, dm::kOffDriverExtra, 200);
        b.resize(s.publicSize + 200);
        break;
    default: break;
    }
    return in;
}

class MergeDigest : public SamplePrinter {
protected:
    // The font-table handles are left out: they number the tables this
    // process made so far, not anything the merge decided.
    static uint64_t digest(DrvContext* c, int rc) {
        std::vector<BYTE> state(c->devmode, c->devmode + dmSizes().stateSize);
        for (const FontTableItems& f : kFontTableItems) {
            const DmItem* it = ItemFindById(c, f.handleItem);
            const BYTE* at = it ? ItemGetStorage(c, it) : nullptr;
            if (at) std::fill_n(state.begin() + (at - c->devmode), itemSize(*it), BYTE{0});
        }
        uint64_t h = fnv(state.data(), state.size());
        const uint32_t extra[2] = {static_cast<uint32_t>(rc), c->ws->mergeFlags};
        return fnv(reinterpret_cast<const BYTE*>(extra), sizeof extra, h);
    }
    // Merges each input in turn into one context (each merge starts from
    // what the last one left) and returns the digests.
    std::vector<uint64_t> run(uint32_t seed, int count) {
        std::vector<uint64_t> out;
        DrvContext* c = open();
        EXPECT_NE(c, nullptr);
        if (!c) return out;
        Rng r{seed};
        const uint32_t flagSet[] = {kJobMerge, kDocMerge, kPromptMerge, kJobMerge | 0x10000000};
        for (int i = 0; i < count; ++i) {
            Input in = randomInput(c, r, flagSet[r.below(4)]);
            const bool none = r.below(16) == 0;
            const int rc = DmMergeDevmode(c, none ? nullptr : in.dm.data(), none ? 0 : in.dm.size(), in.flags);
            out.push_back(digest(c, rc));
        }
        return out;
    }
    static void expectDigests(const std::vector<uint64_t>& got, const std::vector<uint64_t>& want) {
        std::string table;
        EXPECT_EQ(got.size(), want.size());
        for (size_t i = 0; i < got.size(); ++i) {
            char line[40];
            std::snprintf(line, sizeof line, "0x%016llxull,\n", static_cast<unsigned long long>(got[i]));
            table += line;
            if (i < want.size()) {
                EXPECT_EQ(got[i], want[i]) << "merge " << i;
            }
        }
        if (::testing::Test::HasFailure()) std::printf("digests now:\n%s", table.c_str());
    }
};

}  // namespace

// The bench's caller merged again and again into one context: every merge
// after the first must leave the same state.
TEST_F(MergeDigest, RepeatedMergesOfOneCallerSettle) {
    DrvContext* c = open();
    ASSERT_NE(c, nullptr);
    std::vector<BYTE> in(c->devmode, c->devmode + dmSizes().totalSize);
    put16(in, dm::kOffOrientation, DMORIENT_LANDSCAPE);
    put16(in, dm::kOffCopies, 3);
    put16(in, dm::kOffPaperSize, DMPAPER_LETTER);
    put16(in, dm::kOffDuplex, DMDUP_VERTICAL);
    dm::setFields(in.data(), DM_ORIENTATION | DM_COPIES | DM_PAPERSIZE | DM_PRINTQUALITY | DM_DUPLEX);
    std::vector<uint64_t> got;
    for (uint32_t flags : {kJobMerge, kJobMerge, kDocMerge, kDocMerge, kJobMerge})
        got.push_back(digest(c, DmMergeDevmode(c, in.data(), in.size(), flags)));
    EXPECT_EQ(got[0], got[1]);
    EXPECT_EQ(got[2], got[3]);
    expectDigests(got, {
        0xe749691fafdb9892ull,
        0xe749691fafdb9892ull,
        0xe7494f1fafdb6c64ull,
        0xe7494f1fafdb6c64ull,
        0xe749691fafdb9892ull,
    });
}

TEST_F(MergeDigest, VariedCallersFirstSeries) {
    expectDigests(run(0x1234567u, 60), {
        0x279290c8efca3f22ull,
        0x442da75ad9daafc1ull,
        0x3fae2082d7d109f8ull,
        0x88ee931883b80c30ull,
        0xea7fe815ed56e5f9ull,
        0x3c26427d1e248c01ull,
        0x51cd3cf0d1fc70cdull,
        0xc79c9accb3abad2cull,
        0xef550cac37106fcdull,
        0xb6658cfcb47df749ull,
        0x220950a9d90d247eull,
        0xa81a09c5591b5adaull,
        0x56e81133de9f5069ull,
        0x56e80133de9f3539ull,
        0x10b5fbb00c709076ull,
        0xef0a4d45b42aa71eull,
        0x894b5963767ccd7bull,
        0xead534724f89cfbeull,
        0x89a227a0bd3b2c12ull,
        0x6af6f5c99bb06856ull,
        0x3a45b22b8b92b262ull,
        0x48ef642015aa5f6cull,
        0xaedb064d347c808dull,
        0x61406eb815b520aeull,
        0x5d1e9b94277c9de6ull,
        0xc46cf8a0edec45d6ull,
        0x715adbdad2b0a84full,
        0x0ebac169723ae4aaull,
        0x35a0864831fd8bbdull,
        0xfc18a92a68c1e4fcull,
        0xdcb58410f6774dfdull,
        0xc57a5ecbc2118981ull,
        0xb07476b84b3da06aull,
        0x12e1f697122a5be6ull,
        0x1ce89d1398b7e2c8ull,
        0xdd1a5615b69cabe0ull,
        0xa6f852bf35c11648ull,
        0xa6f852bf35c11648ull,
        0xb1bcaba38904fe6bull,
        0xb1bcaba38904fe6bull,
        0x9ed57eac8c95e509ull,
        0x9ed594ac8c960a6bull,
        0x6823851255f687b3ull,
        0xb59ee2780f12e2e1ull,
        0x06fcfd625f8bbed2ull,
        0x7d098933c1daa08eull,
        0x7e710137379cbba8ull,
        0x7e70cb37379c5fe6ull,
        0xb893c18570af29d3ull,
        0xc90ade3170f3dfa8ull,
        0xdb88704e23590e16ull,
        0xdb88704e23590e16ull,
        0xdb88604e2358f2e6ull,
        0x1a60293002e2c36full,
        0xc8147439fd1880edull,
        0x28174c4010d79d5dull,
        0x7200ea607c6e7441ull,
        0xa4abe3b1c973a21full,
        0x3e901c29dc414065ull,
        0x92e407142fff013eull,
    });
}

TEST_F(MergeDigest, VariedCallersSecondSeries) {
    expectDigests(run(0x9E3779B9u, 60), {
        0xba3c25d670e6a97eull,
        0x0e07b79d5057d515ull,
        0x12750ef7d10d35d0ull,
        0xf625044ae32044a1ull,
        0x0464575e2cd023ccull,
        0x13bc9575bc98abd2ull,
        0x4087c0b36b407049ull,
        0x2a00b9e729d9019full,
        0xc5ff9227e635781full,
        0x17b88a09b52957b0ull,
        0x3aa9ecf859e0482dull,
        0x002b998b622cecf7ull,
        0xdc97ad8f809608eeull,
        0x667e687db1db3db5ull,
        0xf7556ac3bbb00872ull,
        0xf424acc62dbefbc9ull,
        0xe9bb7a9e269402faull,
        0xc7938a80919010dcull,
        0xd4e74dbb35c047dbull,
        0xda95e762c815dec3ull,
        0xda95e762c815dec3ull,
        0x3af2db6459fdd36dull,
        0x6a7e07a15f823c2full,
        0xba75a4d623c5c19cull,
        0x4dfcd9c8073ac2d8ull,
        0x38e73328f8fe0eaaull,
        0xc9a2905f2646da19ull,
        0x885edae42adff556ull,
        0x82dd80e92653db6eull,
        0x8dde0e86d70fb11cull,
        0x07d5c2ee6bb6426bull,
        0x2b938ad808083304ull,
        0x082fd3fd221ee103ull,
        0x8ea48fb46d00c7beull,
        0x6da0266a2d2cb66cull,
        0xd2699b71c62fa822ull,
        0x906a161029bf0abfull,
        0x0d057bdb697d45daull,
        0xc52ad71d212fae77ull,
        0x914ebc95edbbf3faull,
        0xe8c3c7183c11e02bull,
        0x8048bf210ca859a3ull,
        0x92a8aca6cd2a553dull,
        0xdbaf5c6bd93d85d2ull,
        0xaa844f9a6fad7c10ull,
        0xaa844f9a6fad7c10ull,
        0x35376646f452fdd7ull,
        0x35377646f4531907ull,
        0x2c2a59ff956ece75ull,
        0x1f3e5e4fbdfcc2c6ull,
        0x2dd88e2ddda6628full,
        0x2dd8782ddda63d2dull,
        0xb24347f16bcf1f5cull,
        0xf0b0d1e2dae39693ull,
        0xc7f29edfa9b5649eull,
        0x4266492429b79c5bull,
        0x4351176e7bbd14b4ull,
        0x35db4959d92b08e5ull,
        0x6a07a1404dc164feull,
        0x2306e9dd2010d417ull,
    });
}
