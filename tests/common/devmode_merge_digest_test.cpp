// The merge of many varied caller DEVMODEs into a context of the sample
// printer, each result (the whole three-section buffer, the return value and
// the workspace's merge flags) reduced to a digest and held against the
// digest the merge gave before its walks were reworked. A faster path that
// takes another branch for one of these inputs shows here as a changed
// digest, with the case that changed.
#include <gtest/gtest.h>

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
    DrvContext* open() {
        CtxCacheClear();
        DrvContext* c = CtxCreateEx(printer_, printer_, nullptr, 0, 0, 0, nullptr);
        if (c) contexts_.emplace_back(c);
        return c;
    }
    static uint64_t digest(DrvContext* c, int rc) {
        uint64_t h = fnv(c->devmode, dmSizes().stateSize);
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
        0x54816df2d503083aull,
        0x54816df2d503083aull,
        0x548183f2d5032d9cull,
        0x548183f2d5032d9cull,
        0x54816df2d503083aull,
    });
}

TEST_F(MergeDigest, VariedCallersFirstSeries) {
    expectDigests(run(0x1234567u, 60), {
        0xb55c172a981797d4ull,
        0x6216fb63a6d32e73ull,
        0xc658ba19bcbf4cceull,
        0x7e1c58d9880e8b06ull,
        0x9d6875b919bfa36bull,
        0x2b98099fceca1eb3ull,
        0x21f2279920a0661full,
        0xc5e8828392a0359aull,
        0xf382f08c26a57947ull,
        0x9abdc6e6fd065e3bull,
        0x597a9fbc2c43f398ull,
        0xc47ab2059befa51cull,
        0x6283857a01488edbull,
        0x6283757a014873abull,
        0x6d83378e1d8ea2a0ull,
        0xab74f5c2d173b238ull,
        0x3c33db06a2e57689ull,
        0x7caa214373a11fd8ull,
        0x8317e0351f32b3c4ull,
        0xa341bb163e748a00ull,
        0xc8ac234f2d09f044ull,
        0xa4b182b76ee048daull,
        0xf2a5a1b400829517ull,
        0x8950b497e734b0d8ull,
        0x5648f7224081b490ull,
        0xd7effc7d8da2d470ull,
        0xdb2f327cbd5cbb45ull,
        0x9fe17b1cce006b9cull,
        0xaa5498dfe5ef0827ull,
        0x0cf6e86264091deaull,
        0xed9b8ebfb848c10full,
        0xb4ec25ee72b71c33ull,
        0x7fd9c9de9aedfdecull,
        0x9071db386bab6800ull,
        0xcdf730ccd8c4451eull,
        0x9707d86c0207c2b6ull,
        0xfc519eb6a7cedb1eull,
        0xfc519eb6a7cedb1eull,
        0x9614d98dd18d50f9ull,
        0x9614d98dd18d50f9ull,
        0x2c8d9f6cd73385ebull,
        0x2c8d896cd7336089ull,
        0xa9995d6cd8f78151ull,
        0xa792388058d4fb83ull,
        0x78a0ae42bf693094ull,
        0xe1f5cdbdac3a36b8ull,
        0xfc00e9d8911dce8eull,
        0xfc00afd8911d6c00ull,
        0x91d4bc2fa634bf21ull,
        0x4fb557c855e1ec1eull,
        0x591854ef7cda1a30ull,
        0x591854ef7cda1a30ull,
        0x591844ef7cd9ff00ull,
        0x09701fdc4fe832adull,
        0xa9c49be634b4aebfull,
        0xe106339940a16357ull,
        0x8fea3e694966f2f3ull,
        0xbd43c6a185884ea5ull,
        0xbd8f26ca04e17dcfull,
        0xbcac965649e7b718ull,
    });
}

TEST_F(MergeDigest, VariedCallersSecondSeries) {
    expectDigests(run(0x9E3779B9u, 60), {
        0x9b943da9444cccaaull,
        0xa469cb30be6b5cb1ull,
        0x28c74d98616d0b64ull,
        0x5f774333114e476dull,
        0x3b169bc271643828ull,
        0xa99797ba794ddddeull,
        0x6a8dcf0af369c905ull,
        0x971d93491ed83463ull,
        0xc1cf3036e811ca5bull,
        0xed306f14655ec15cull,
        0x73cb48bfebc34321ull,
        0x4a9a645dd1ac2023ull,
        0x43d20b15ea2965daull,
        0xf17f53a20e588f51ull,
        0xb7cfd8b0f512acd6ull,
        0x1e2abb1db5e85485ull,
        0x85f4dd859e582b76ull,
        0x0167a24971072038ull,
        0xfeed1c12bde933d7ull,
        0x886e2b6bb1d77937ull,
        0x886e2b6bb1d77937ull,
        0x4200b99e48f8c861ull,
        0x83852b527b26442bull,
        0xb5892b1580248a88ull,
        0x07b08acfe4ac0a1cull,
        0x982896f8fb45fc1eull,
        0x04c5a436b161d115ull,
        0xcb68097a82b7baf2ull,
        0xea17de6f8fe7385aull,
        0x88f194c6336e7a08ull,
        0xdcf55df653f0698full,
        0x56a1302144c1c068ull,
        0x71da95312171450full,
        0x6fc1c103347b9f92ull,
        0x1577ad63b53a2120ull,
        0x3291b116b91804c6ull,
        0x2aaee3053af15f1bull,
        0xc69b90d583d9f6d6ull,
        0x5491e51244eeb183ull,
        0x7451b4d932e34c36ull,
        0x767062c13096862full,
        0x68388190448a5dafull,
        0x99b68ae0bc254a31ull,
        0x9be1b6798214edb6ull,
        0x49ec3b4fbe95d8a4ull,
        0x49ec3b4fbe95d8a4ull,
        0x16cf38510c41a903ull,
        0x16cf28510c418dd3ull,
        0xe1669ee0cbd9b511ull,
        0xa66a978d8e736e8aull,
        0x741199d714a9bc0bull,
        0x7411b3d714a9e839ull,
        0xec175fba4b462eb8ull,
        0x6e38914e899a4b07ull,
        0x53163c9dc1c5da72ull,
        0xed4a6a6f3803f81full,
        0x34ef24ccd4895f58ull,
        0xc542674efcea2721ull,
        0xc3cc3390506df352ull,
        0x049ebbe737ff7f43ull,
    });
}
