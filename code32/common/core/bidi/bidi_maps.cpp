#include "core/bidi/bidi_maps.h"

namespace vesk {
namespace {

struct Pair {
    uint32_t code;
    uint32_t device;
};

template <size_t N>
uint32_t lookup(const Pair (&map)[N], uint32_t device) {
    for (const Pair& p : map)
        if (p.device == device) return p.code;
    return 0;
}

// Rows: tray value, installed bit, orientation, paper, media and lock items.
constexpr BidiTrayItems kTrays[] = {
    {3, 10111, 10143, 10175, 10207, 10239},  {4, 10112, 10144, 10176, 10208, 10240},
    {12, 10112, 10144, 10176, 10208, 10240}, {5, 10113, 10145, 10177, 10209, 10241},
    {6, 10114, 10146, 10178, 10210, 10242},  {7, 10136, 10168, 10200, 10232, 10264},
    {11, 10136, 10168, 10200, 10232, 10264}, {1, 10138, 10170, 10202, 10234, 10266},
    {2, 10139, 10171, 10203, 10235, 10267},
};

constexpr Pair kTrayCodes[] = {{1, 3}, {3, 4}, {5, 12}, {2, 5}, {256, 6}, {11, 7}, {11, 11}, {4, 1}, {4, 2}};

constexpr uint32_t kTrayPriority[] = {3, 4, 5, 6, 7, 8, 11, 2, 1};

// Codes 2048 and 2049 stand for "no paper".
constexpr uint32_t kNoPaper = 2048;
constexpr uint32_t kNoPaper2 = 2049;

constexpr Pair kPaperFirst[] = {
    {2048, 0},    {1, 0x17},  {3, 0x3A},  {5, 0x15},  {6, 0x1B},   {7, 0x19},   {8, 0x05},
    {9, 0x09},    {11, 0x0D}, {12, 0x07}, {13, 0x0B}, {14, 0x3E},  {28, 0x1F},  {31, 0x21},
    {37, 0x34},   {43, 0x22}, {69, 0x46}, {70, 0x11}, {88, 0x0F},  {513, 0x1C}, {514, 0x3C},
    {20, 0x35},   {27, 0x20}, {517, 0x40}, {93, 0x42}, {2049, 0x01}, {2048, 0x02},
};
constexpr Pair kPaperSecond[] = {
    {2048, 0},    {1, 0x16},  {3, 0x39},  {5, 0x14},  {6, 0x1A},   {7, 0x18},   {8, 0x04},
    {9, 0x08},    {11, 0x0C}, {12, 0x06}, {13, 0x0A}, {14, 0x3D},  {28, 0x51},  {31, 0x52},
    {37, 0x50},   {43, 0x4E}, {69, 0x47}, {70, 0x10}, {88, 0x0E},  {514, 0x3B}, {20, 0x4F},
    {27, 0x53},   {517, 0x3F}, {93, 0x41}, {2049, 0x01}, {2048, 0x02},
};

// Code 2048 stands for "no media".
constexpr Pair kMedia[] = {
    {2048, 0},   {1, 1},      {2, 3},      {257, 6},    {258, 5},    {260, 2},
    {262, 0x0D}, {263, 4},    {264, 9},    {265, 0x0A}, {266, 0x0B}, {267, 0x0C},
    {268, 0x0E}, {269, 0x0F}, {270, 0x10}, {271, 0x14}, {513, 0x12}, {515, 0x13},
};

constexpr Pair kOptions[] = {
    {10014, 0x01}, {10018, 0x67}, {10020, 0x66}, {10021, 0x10}, {10023, 0x1E},
    {10056, 0x07}, {10060, 0x22}, {10061, 0x25}, {10070, 0x03},
};

}  // namespace

const BidiTrayItems* BidiTrayItemsOf(uint32_t trayValue) {
    for (const BidiTrayItems& t : kTrays)
        if (t.trayValue == trayValue) return &t;
    return nullptr;
}

uint32_t BidiTrayCode(uint32_t trayValue) { return lookup(kTrayCodes, trayValue); }

int BidiTrayPriority(uint32_t trayValue) {
    for (size_t i = 0; i < BidiTrayPriorityCount(); ++i)
        if (kTrayPriority[i] == trayValue) return static_cast<int>(i);
    return -1;
}

uint32_t BidiTrayPriorityValue(size_t position) {
    return position < BidiTrayPriorityCount() ? kTrayPriority[position] : 0;
}

size_t BidiTrayPriorityCount() { return sizeof kTrayPriority / sizeof kTrayPriority[0]; }

uint32_t BidiPaperCode(uint32_t devicePaper, uint32_t* orientation) {
    uint32_t o = 0;
    uint32_t code = lookup(kPaperFirst, devicePaper);
    if (code == 0) {
        code = lookup(kPaperSecond, devicePaper);
        o = 1;
    }
    if (orientation) *orientation = o;
    return (code == kNoPaper || code == kNoPaper2) ? 0 : code;
}

uint32_t BidiMediaCode(uint32_t deviceMedia) {
    const uint32_t code = lookup(kMedia, deviceMedia);
    return code == 2048 ? 0 : code;
}

uint16_t BidiOptionItem(uint32_t deviceOption) { return static_cast<uint16_t>(lookup(kOptions, deviceOption)); }

}  // namespace vesk
