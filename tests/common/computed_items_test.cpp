#include <gtest/gtest.h>

#include <set>

#include "common/eval_support.h"
#include "common/sample_printer_support.h"
#include "core/computed/cached_items.h"
#include "core/computed/computed.h"
#include "core/computed/predicates.h"
#include "core/devmode/dm_layout.h"
#include "core/devmode/dm_model.h"
#include "core/model/cache.h"
#include "core/model/dm_answers.h"
#include "core/units.h"

using namespace vesk;
using namespace vesk::test;

namespace {

// Items the predicates read.
constexpr int kOrientation = 7, kPaper = 8, kSource = 13, kQuality = 14, kOutPaper = 50, kScaleOn = 58,
              kNupOn = 59, kDuplexOn = 61, kPunchOn = 65, kStapleOn = 66, kScaleType = 90, kScaleH = 92,
              kScaleV = 93, kNupKind = 94, kNupType = 95, kDuplexType = 102, kPunchType = 134, kStapleType = 136,
              kMPTray = 138, kCoverTray = 142, kResW = 42;
constexpr int kDuplexUnit = 10014, kLctFitted = 10018, kManualFitted = 10021, kMultiFitted = 10022;
constexpr int kFin1000 = 10049, kFin3000 = 10050, kFin2000 = 10058, kFinBF = 10059, kType14 = 10060,
              kType15 = 10061, kFin2000NA = 10074, kFin2000EU = 10075, kFin2000NE = 10076, kFin2000NoPunch = 10077,
              kFin3000NoPunch = 10081;
constexpr int kTrayPaper[] = {10175, 10176, 10177, 10178};  // trays 1-4
constexpr int kTrayOrient[] = {10143, 10144, 10145, 10146};
constexpr int kTrayLock[] = {10239, 10240, 10241, 10242};
constexpr int kLctPaper = 10200, kLctOrient = 10168, kLctLock = 10264;
constexpr int kManualPaper = 10202, kManualOrient = 10170;
constexpr int kMultiPaper = 10203, kMultiOrient = 10171, kMultiLock = 10267;

constexpr int16_t kA3 = 8, kA4 = 9, kA5 = 11, kB4 = 12, kB5 = 13, kLetter = 1, kLegal = 5, kExecutive = 7;

class Computed : public ::testing::Test {
protected:
    void SetUp() override {
        ctx_ = modelContext(nullptr);
        ASSERT_TRUE(ctx_);
        c = ctx_.get();
        set({{kOrientation, 1}, {kOutPaper, 1024}, {kPaper, kA4}});
    }
    void set(int id, int32_t v) { ItemSetRawById(c, id, static_cast<uint32_t>(v)); }
    void set(std::initializer_list<std::pair<int, int32_t>> items) {
        for (auto [id, v] : items) set(id, v);
    }
    uint32_t value(int id) { return ComputedItemValue(c, id); }
    // The paper of dmDefaultSource as held by trays: `held` bit 0 upright
    // (tray 1), bit 1 turned (tray 2); source 7 when both, else the tray.
    void hold(int16_t paper, uint32_t held) {
        for (int i = 0; i < 4; ++i) set(kTrayPaper[i], 0);
        if (held & 1) {
            set({{kTrayPaper[0], paper}, {kTrayOrient[0], 0}});
        }
        if (held & 2) {
            set({{kTrayPaper[1], paper}, {kTrayOrient[1], 1}});
        }
        set({{kSource, held == 3 ? 7 : held == 2 ? 3 : 1}, {kPaper, paper}});
    }
    void landscape(bool l) { set(kOrientation, l ? 2 : 1); }
    winsim::TempMachine machine_;
    ContextPtr ctx_;
    DrvContext* c = nullptr;
};

}  // namespace

TEST_F(Computed, SourcesNameTheirTrays) {
    const int16_t papers[] = {kA4, kA3, kB4, kLetter};
    for (int i = 0; i < 4; ++i) set(kTrayPaper[i], papers[i]);
    set({{kLctPaper, kLegal}, {kManualPaper, kB5}, {kMultiPaper, kA5}});
    // Source 3 is tray 2 and source 2 is tray 3.
    EXPECT_EQ(TrayHasPaper(c, 1, kA4), 1);
    EXPECT_EQ(TrayHasPaper(c, 3, kA3), 1);
    EXPECT_EQ(TrayHasPaper(c, 2, kB4), 1);
    EXPECT_EQ(TrayHasPaper(c, 2, kA3), 0);
    EXPECT_EQ(TrayHasPaper(c, 3, kB4), 0);
    EXPECT_EQ(TrayHasPaper(c, 256, kLetter), 1);
    EXPECT_EQ(TrayHasPaper(c, 11, kLegal), 1);  // named directly, fitted or not
    EXPECT_EQ(TrayHasPaper(c, 5, kA4), 0);      // no tray
    // Source 4: the manual tray when fitted, else the multi tray, else none.
    EXPECT_EQ(TrayHasPaper(c, 4, kB5), 0);
    EXPECT_EQ(TrayHasPaper(c, 4, kA5), 0);
    set(kMultiFitted, 1);
    EXPECT_EQ(TrayHasPaper(c, 4, kA5), 1);
    set(kManualFitted, 1);
    EXPECT_EQ(TrayHasPaper(c, 4, kB5), 1);
    EXPECT_EQ(TrayHasPaper(c, 4, kA5), 0);
    // Source 7: unlocked trays 1-4, the large-capacity and the multi tray
    // when fitted and unlocked, never the manual tray.
    EXPECT_EQ(TrayHasPaper(c, 7, kA4), 1);
    EXPECT_EQ(TrayHasPaper(c, 7, kLetter), 1);
    EXPECT_EQ(TrayHasPaper(c, 7, kB5), 0);
    EXPECT_EQ(TrayHasPaper(c, 7, kA5), 1);
    set(kMultiLock, 1);
    EXPECT_EQ(TrayHasPaper(c, 7, kA5), 0);
    EXPECT_EQ(TrayHasPaper(c, 7, kLegal), 0);
    set(kLctFitted, 1);
    EXPECT_EQ(TrayHasPaper(c, 7, kLegal), 1);
    set(kLctLock, 1);
    EXPECT_EQ(TrayHasPaper(c, 7, kLegal), 0);
    for (int i = 0; i < 4; ++i) {
        set(kTrayLock[i], 1);
        EXPECT_EQ(TrayHasPaper(c, 7, papers[i]), 0) << "tray " << i + 1;
        EXPECT_EQ(TrayHasPaper(c, i == 0 ? 1 : i == 1 ? 3 : i == 2 ? 2 : 256, papers[i]), 1);  // locked, named
    }
    // The computed ids of the same tests use the output paper.
    for (int i = 0; i < 4; ++i) set(kTrayLock[i], 0);
    set(kPaper, kA3);
    EXPECT_EQ(value(828), 1u);
    EXPECT_EQ(value(829), 0u);
    EXPECT_EQ(value(830), 1u);  // tray 2
    EXPECT_EQ(value(831), 0u);  // tray 3
    set(kPaper, kB4);
    EXPECT_EQ(value(830), 0u);
    EXPECT_EQ(value(831), 1u);
    set(kPaper, kLetter);
    EXPECT_EQ(value(832), 1u);
    set(kPaper, kLegal);
    EXPECT_EQ(value(833), 1u);
    set(kPaper, kB5);
    EXPECT_EQ(value(834), 1u);
    EXPECT_EQ(value(828), 0u);
}

TEST_F(Computed, TrayOrientations) {
    set({{kTrayPaper[0], kA4}, {kTrayOrient[0], 1}, {kTrayPaper[1], kA4}, {kTrayOrient[1], 0}});
    EXPECT_EQ(TrayHoldsPaper(c, 1, kA4, 0), 0);
    EXPECT_EQ(TrayHoldsPaper(c, 1, kA4, 1), 1);
    EXPECT_EQ(TrayHoldsPaper(c, 7, kA4, 0), 1);  // tray 2
    set(kSource, 1);
    EXPECT_EQ(TrayPaperOrientFlags(c, kA4), 2u);
    EXPECT_EQ(SourceTrayHoldsPaper(c, kA4, 1), 1);
    set(kSource, 7);
    EXPECT_EQ(TrayPaperOrientFlags(c, kA4), 3u);
    EXPECT_EQ(TrayPaperOrientFlags(c, kA3), 0u);
    EXPECT_EQ(SourceTrayHoldsPaper(c, kA4, 0), 1);
    // NoAuto takes source 7 as tray 1.
    EXPECT_EQ(SourceTrayHoldsPaperNoAuto(c, kA4, 0), 0);
    EXPECT_EQ(SourceTrayHoldsPaperNoAuto(c, kA4, 1), 1);
    set(kSource, 9);
    EXPECT_EQ(TrayPaperOrientFlags(c, kA4), 0u);
    // The large-capacity and multi trays have orientations of their own.
    set({{kLctPaper, kLetter}, {kLctOrient, 1}});
    EXPECT_EQ(TrayHoldsPaper(c, 11, kLetter, 1), 1);
    EXPECT_EQ(TrayHoldsPaper(c, 11, kLetter, 0), 0);
    set({{kMultiFitted, 1}, {kMultiPaper, kA5}, {kMultiOrient, 1}});
    EXPECT_EQ(TrayHoldsPaper(c, 4, kA5, 1), 1);
    EXPECT_EQ(TrayHoldsPaper(c, 7, kA5, 0), 0);
    set(kMultiFitted, 0);

    uint32_t paper = 0, orient = 0;
    EXPECT_EQ(TrayGetPaperOrient(c, 3, &paper, &orient), 1);
    EXPECT_EQ(paper, 9u);
    EXPECT_EQ(orient, 0u);
    EXPECT_EQ(TrayGetPaperOrient(c, 7, &paper, &orient), 0);
    EXPECT_EQ(TrayGetPaperOrient(c, 4, &paper, &orient), 0);  // neither manual nor multi tray
    set({{kManualFitted, 1}, {kManualPaper, kB5}, {kManualOrient, 1}});
    EXPECT_EQ(TrayGetPaperOrient(c, 4, &paper, &orient), 1);
    EXPECT_EQ(paper, 13u);
    EXPECT_EQ(orient, 1u);
}

TEST_F(Computed, CoverAndMarkTraysMatchTheSource) {
    set({{kTrayPaper[0], kA4}, {kTrayOrient[0], 1}, {kTrayPaper[1], kA4}, {kTrayOrient[1], 1}});
    set(kCoverTray, 3);  // tray 2
    set({{kMPTray, 3}, {kSource, 3}});
    EXPECT_EQ(value(844), 1u);
    EXPECT_EQ(value(845), 1u);
    set(kSource, 7);  // taken as tray 1
    EXPECT_EQ(value(844), 1u);
    set(kTrayOrient[0], 0);
    EXPECT_EQ(value(844), 0u);
    set(kSource, 3);
    // A cover source that names no single tray has no paper: false.
    set(kCoverTray, 7);
    EXPECT_EQ(value(844), 0u);
    set(kCoverTray, 4);
    EXPECT_EQ(value(844), 0u);
    set(kMPTray, 5);
    EXPECT_EQ(value(845), 0u);
}

TEST_F(Computed, TheOutputPaperIsTheSourcePaperFor1024) {
    set({{kPaper, kA4}, {kOutPaper, 1024}});
    EXPECT_EQ(ItemCachedEffectiveOutPaper(c), kA4);
    set(kOutPaper, kA3);
    EXPECT_EQ(ItemCachedEffectiveOutPaper(c), kA3);
    set(kFin3000, 1);
    EXPECT_EQ(value(733), 1u);
    set(kOutPaper, 70);
    EXPECT_EQ(value(733), 0u);  // the output paper decides, not dmPaperSize
    set(kOutPaper, 1024);
    EXPECT_EQ(value(733), 1u);
}

TEST_F(Computed, ListAWithTheExtension) {
    // Code 11 counts only with the extension, code 6 only with it and a
    // Fin2000-family finisher fitted.
    set(kOutPaper, kA5);
    EXPECT_EQ(value(736), 1u);
    EXPECT_EQ(value(733), 0u);
    set({{kOutPaper, 6}, {kFin3000, 1}});
    EXPECT_EQ(value(736), 0u);
    set(kFin2000NA, 1);
    EXPECT_EQ(value(736), 1u);
    EXPECT_EQ(value(733), 0u);
}

TEST_F(Computed, EffectiveLandscape) {
    struct Case {
        int orient, nupOn, nupType, unit, duplexOn, duplexType, want;
    };
    const Case cases[] = {
        {1, 0, 0, 0, 0, 0, 0},   {2, 0, 0, 0, 0, 0, 1},    // plain
        {1, 1, 2, 0, 0, 0, 1},   {2, 1, 18, 0, 0, 0, 0},   // N-up turns the page
        {1, 1, 19, 0, 0, 0, 0},  {1, 1, 0, 0, 0, 0, 0},    // not an N-up of 1 to 18
        {1, 0, 2, 0, 0, 0, 0},                             // N-up off
        {1, 0, 0, 1, 1, 17, 1},  {2, 0, 0, 1, 1, 20, 0},   // duplex type of 17 and more
        {1, 0, 0, 1, 1, 16, 0},  {1, 0, 0, 0, 1, 17, 0}, {1, 0, 0, 1, 0, 17, 0},
    };
    for (const Case& k : cases) {
        set({{kOrientation, k.orient}, {kNupOn, k.nupOn}, {kNupType, k.nupType}, {kDuplexUnit, k.unit}});
        set({{kDuplexOn, k.duplexOn}, {kDuplexType, k.duplexType}});
        EXPECT_EQ(IsEffectiveLandscape(c), k.want)
            << k.orient << " nup " << k.nupOn << "/" << k.nupType << " duplex " << k.unit << k.duplexOn << "/"
            << k.duplexType;
        EXPECT_EQ(value(827), static_cast<uint32_t>(k.want));
    }
}

// Punch and staple positions: (fitted item, type item, type, held, landscape, want).
struct Position {
    int id;
    int fitted;
    int typeItem;
    int type;
    uint32_t held;
    bool landscape;
    int16_t paper;
    uint32_t want;
};

TEST_F(Computed, PunchAndStaplePositions) {
    const Position cases[] = {
        // 734: type 1 across the feed, 2 along it.
        {734, kFin3000, kPunchType, 1, 1, false, kA4, 1}, {734, kFin3000, kPunchType, 1, 1, true, kA4, 0},
        {734, kFin3000, kPunchType, 1, 2, false, kA4, 0}, {734, kFin3000, kPunchType, 1, 2, true, kA4, 1},
        {734, kFin3000, kPunchType, 2, 1, true, kA4, 1},  {734, kFin3000, kPunchType, 2, 2, false, kA4, 1},
        {734, kFin3000, kPunchType, 3, 1, false, kA4, 0}, {734, kFin3000, kPunchType, 17, 2, true, kA4, 0},
        {734, kFin3000, kPunchType, 4, 1, false, kA4, 0}, {734, kFin3000, kPunchType, 1, 0, false, kA4, 0},
        {734, kFin3000, kPunchType, 1, 1, false, 70, 0},
        // 17 with the NA variant: turned on a landscape page, else upright
        // on a portrait page when the paper is outside list 737.
        {734, kFin2000NA, kPunchType, 17, 2, true, kA4, 1}, {734, kFin2000NA, kPunchType, 17, 1, false, kA4, 0},
        {734, kFin2000NA, kPunchType, 17, 1, false, kA3, 1}, {734, kFin2000NA, kPunchType, 17, 1, true, kA3, 0},
        {734, kFin2000NA, kPunchType, 18, 2, false, kA4, 1}, {734, kFin2000NA, kPunchType, 18, 1, true, kA3, 1},
        {734, kFin2000NA, kPunchType, 33, 2, true, kA4, 0},  // 33 is the EU variant's
        {734, kFin2000EU, kPunchType, 33, 2, true, kA4, 1}, {734, kFin2000NE, kPunchType, 49, 1, false, kA4, 1},
        {734, kFin2000NE, kPunchType, 1, 1, false, kA4, 0},
        // 735.
        {735, kFin3000, kStapleType, 49, 1, true, kA4, 1}, {735, kFin3000, kStapleType, 49, 0, true, kA4, 0},
        {735, kFin3000, kStapleType, 1, 1, true, kA4, 1},  {735, kFin3000, kStapleType, 1, 1, false, kA4, 0},
        {735, kFin3000, kStapleType, 17, 1, false, kA4, 1}, {735, kFin3000, kStapleType, 65, 2, true, kA4, 1},
        {735, kFin3000, kStapleType, 5, 3, true, kA4, 0},  {735, kFin3000, kStapleType, 49, 1, false, kA5, 0},
        // 750: type 14, 49 across, 50 along; B5 never held upright.
        {750, kType14, kStapleType, 49, 1, false, kA4, 1}, {750, kType14, kStapleType, 50, 1, false, kA4, 0},
        {750, kType14, kStapleType, 50, 2, false, kA4, 1}, {750, kType14, kStapleType, 49, 1, false, kB5, 0},
        {750, kType14, kStapleType, 49, 3, true, kB5, 1},  {750, kType14, kStapleType, 33, 1, false, kA4, 0},
        // 766: Fin1000, 33 across, 34 along.
        {766, kFin1000, kStapleType, 33, 1, false, kA4, 1}, {766, kFin1000, kStapleType, 34, 1, false, kA4, 0},
        {766, kFin1000, kStapleType, 34, 1, true, kA4, 1},  {766, kFin1000, kStapleType, 49, 1, false, kA4, 0},
        // 782: type 15.
        {782, kType15, kStapleType, 50, 2, true, kA4, 1}, {782, kType15, kStapleType, 65, 2, true, kA4, 1},
        {782, kType15, kStapleType, 66, 2, true, kA4, 0}, {782, kType15, kStapleType, 67, 1, true, kA4, 1},
        {782, kType15, kStapleType, 49, 0, true, kA4, 0},
        // 800: FinBF on A4 (796 turned, 797 upright, 798 upright).
        {800, kFinBF, kStapleType, 49, 1, false, kA4, 1}, {800, kFinBF, kStapleType, 50, 2, true, kA4, 1},
        {800, kFinBF, kStapleType, 65, 2, true, kA4, 1},  {800, kFinBF, kStapleType, 65, 2, false, kA4, 0},
        {800, kFinBF, kStapleType, 66, 2, false, kA4, 1}, {800, kFinBF, kStapleType, 68, 1, false, kA4, 1},
        {800, kFinBF, kStapleType, 68, 2, false, kA4, 0}, {800, kFinBF, kStapleType, 33, 3, false, kA4, 0},
        {800, kFinBF, kStapleType, 65, 1, false, kLegal, 0},  // 795 needs a long paper other than Legal
        {800, kFinBF, kStapleType, 65, 1, false, kA3, 1},
    };
    const int fitted[] = {kFin3000, kFin2000NA, kFin2000EU, kFin2000NE, kType14, kFin1000, kType15, kFinBF};
    for (const Position& k : cases) {
        for (int f : fitted) set(f, 0);
        set(k.fitted, 1);
        hold(k.paper, k.held);
        landscape(k.landscape);
        set(k.typeItem, k.type);
        EXPECT_EQ(value(k.id), k.want) << k.id << " type " << k.type << " held " << k.held << " landscape "
                                       << k.landscape << " paper " << k.paper;
    }
    // Without the finisher, or with a punch unit missing, nothing is allowed.
    for (int f : fitted) set(f, 0);
    hold(kA4, 1);
    landscape(false);
    set({{kPunchType, 1}, {kStapleType, 49}});
    for (int id : {734, 735, 750, 766, 782, 800}) EXPECT_EQ(value(id), 0u) << id;
    set(kFin3000, 1);
    EXPECT_EQ(value(734), 1u);
    set(kFin2000NoPunch, 1);
    EXPECT_EQ(value(734), 0u);
    set({{kFin2000NoPunch, 0}, {kFin3000NoPunch, 1}});
    EXPECT_EQ(value(734), 0u);
}

TEST_F(Computed, HeldPaperAndFinisherSizes) {
    // 731/732 (Fin2000/3000), 747/748 (type 14), 763/764 (Fin1000), 779/780
    // (type 15), 795-799 (FinBF): fitted, paper in the list, held upright
    // (Orient0) or turned (Orient1, never a long paper).
    struct Case {
        int id, fitted;
        int16_t paper;
        uint32_t held, want;
    };
    const Case cases[] = {
        {731, kFin2000, kA4, 1, 1},  {731, kFin2000, kA4, 2, 0},    {731, kFin2000, kA5, 1, 1},
        {732, kFin2000, kA4, 2, 1},  {732, kFin2000, kLegal, 2, 0}, {732, kFin2000, kA4, 1, 0},
        {747, kType14, kA4, 1, 1},   {747, kType14, kB5, 1, 0},     {747, kType14, kExecutive, 1, 0},
        {748, kType14, kA4, 2, 1},   {748, kType14, kB4, 2, 0},     {749, kType14, kB4, 0, 1},
        {763, kFin1000, kA3, 1, 1},  {764, kFin1000, kA3, 2, 0},    {764, kFin1000, kA4, 2, 1},
        {765, kFin1000, kA5, 0, 0},  {779, kType15, 514, 1, 1},     {780, kType15, kB5, 2, 1},
        {781, kType15, 6, 0, 0},     {795, kFinBF, kA3, 1, 1},      {795, kFinBF, kLegal, 1, 0},
        {796, kFinBF, kB5, 2, 1},    {796, kFinBF, kA3, 2, 0},      {797, kFinBF, kLegal, 1, 1},
        {798, kFinBF, kA4, 1, 1},    {798, kFinBF, kLetter, 1, 0},  {799, kFinBF, kB5, 0, 0},
        {799, kFinBF, kB5, 2, 1},    {799, kFinBF, kLetter, 0, 1},
    };
    for (const Case& k : cases) {
        for (int f : {kFin2000, kType14, kFin1000, kType15, kFinBF}) set(f, 0);
        set(k.fitted, 1);
        hold(k.paper, k.held);
        EXPECT_EQ(value(k.id), k.want) << k.id << " paper " << k.paper << " held " << k.held;
    }
    // Nothing fitted: the size lists still answer, the tray tests do not.
    for (int f : {kFin2000, kType14, kFin1000, kType15, kFinBF}) set(f, 0);
    hold(kA4, 1);
    EXPECT_EQ(value(731), 0u);
    EXPECT_EQ(value(747), 0u);
    EXPECT_EQ(value(749), 1u);
    EXPECT_EQ(value(765), 1u);
    EXPECT_EQ(value(781), 1u);
}

TEST_F(Computed, ExecutiveTurnedIsRefusedOnlyByMachine131) {
    set(kType14, 1);
    hold(kExecutive, 2);
    ASSERT_EQ(c->desc->machineId, 0x85);
    EXPECT_EQ(value(748), 1u);
    c->desc->machineId = 131;
    EXPECT_EQ(value(748), 0u);
    hold(kA4, 2);
    EXPECT_EQ(value(748), 1u);
}

TEST_F(Computed, FinishEdges) {
    struct Case {
        int fitted;
        int punchOn, punchType, stapleOn, stapleType;
        int16_t paper;
        int portrait, landscape;  // the edge in each orientation
    };
    const Case cases[] = {
        {kFin3000, 1, 1, 0, 0, kA4, 1, 2},  {kFin3000, 1, 18, 0, 0, kA4, 2, 1},  {kFin3000, 1, 5, 0, 0, kA4, 3, 3},
        {kFin3000, 0, 1, 0, 0, kA4, 3, 3},  {kFin3000, 0, 0, 1, 65, kA4, 1, 2},  {kFin3000, 0, 0, 1, 66, kA4, 2, 1},
        {kFin3000, 0, 0, 1, 50, kA4, 3, 3}, {kFin3000, 0, 0, 1, 5, kA4, 0, 0},   {kFin3000, 1, 1, 0, 0, 70, 0, 0},
        {kFin3000, 0, 0, 0, 0, kA5, 3, 3},  // list A with the extension
        {kFin1000, 0, 0, 0, 0, kA4, 3, 3},  {kFin1000, 0, 0, 1, 33, kA4, 1, 2},  {kFin1000, 0, 0, 1, 34, kA4, 2, 1},
        {kFin1000, 0, 0, 1, 49, kA4, 0, 0}, {kFin1000, 0, 0, 0, 0, kA5, 0, 0},
        {kFinBF, 0, 0, 1, 33, kA4, 3, 3},   {kFinBF, 0, 0, 1, 65, kA4, 1, 2},    {kFinBF, 0, 0, 1, 67, kA4, 2, 1},
        {kFinBF, 0, 0, 1, 68, kA4, 1, 1},   {kFinBF, 0, 0, 1, 1, kA4, 0, 0},     {kFinBF, 0, 0, 0, 0, kB5, 0, 0},
        {kType14, 0, 0, 0, 0, kA4, 3, 3},   {kType14, 0, 0, 1, 49, kA4, 1, 2},   {kType14, 0, 0, 1, 50, kA4, 2, 1},
        {kType14, 0, 0, 1, 65, kA4, 0, 0},
        {kType15, 0, 0, 1, 49, kA4, 3, 3},  {kType15, 0, 0, 1, 65, kA4, 1, 2},   {kType15, 0, 0, 1, 66, kA4, 2, 1},
        {kType15, 0, 0, 0, 0, 70, 0, 0},
    };
    const int all[] = {kFin3000, kFin1000, kFinBF, kType14, kType15};
    for (const Case& k : cases) {
        for (int f : all) set(f, 0);
        set({{k.fitted, 1}, {kPunchOn, k.punchOn}, {kPunchType, k.punchType}, {kStapleOn, k.stapleOn}});
        set({{kStapleType, k.stapleType}, {kOutPaper, k.paper}});
        for (bool l : {false, true}) {
            landscape(l);
            const int want = l ? k.landscape : k.portrait;
            EXPECT_EQ(GetFinishEdge(c), want) << k.fitted << " punch " << k.punchOn << "/" << k.punchType << " staple "
                                              << k.stapleOn << "/" << k.stapleType << " landscape " << l;
            EXPECT_EQ(value(835), want == 1 ? 1u : 0u);
            EXPECT_EQ(value(836), want == 2 ? 1u : 0u);
        }
    }
    // A missing punch unit leaves the staple to decide; the first fitted
    // finisher in the order decides; none fitted, no edge.
    for (int f : all) set(f, 0);
    set(kOutPaper, kA4);
    landscape(false);
    set({{kFin3000, 1}, {kFin3000NoPunch, 1}, {kPunchOn, 1}, {kPunchType, 1}, {kStapleOn, 1}, {kStapleType, 66}});
    EXPECT_EQ(GetFinishEdge(c), 2);
    set({{kFin1000, 1}, {kStapleType, 33}});
    EXPECT_EQ(GetFinishEdge(c), 1);  // the Fin3000 rule, which reads 33 as well
    set(kStapleType, 49);
    EXPECT_EQ(GetFinishEdge(c), 3);  // Fin1000 would give 0
    for (int f : all) set(f, 0);
    set(kFin3000NoPunch, 0);
    EXPECT_EQ(GetFinishEdge(c), 0);
}

TEST_F(Computed, UnlistedIdsAreZeroWhateverIsStored) {
    const std::set<int> listed = {731, 732, 733, 734, 735, 736, 737, 747, 748, 749, 750, 763, 764,
                                  765, 766, 779, 780, 781, 782, 795, 796, 797, 798, 799, 800, 827,
                                  828, 829, 830, 831, 832, 833, 834, 835, 836, 843, 844, 845};
    for (int id = 731; id <= 858; ++id) {
        set(id, 1);
        if (!listed.count(id)) {
            EXPECT_EQ(value(id), 0u) << id;
        }
    }
    EXPECT_EQ(value(730), 0u);
    EXPECT_EQ(value(859), 0u);
    EXPECT_EQ(ComputedItemValue(nullptr, 827), 0u);
    // Every listed id answers 0 or 1.
    for (int id : listed) EXPECT_LE(value(id), 1u) << id;
}

TEST_F(Computed, DescriptorsAreCachedNeverValues) {
    for (DmItem* d : c->ws->itemCache) EXPECT_EQ(d, nullptr);
    set(kOrientation, 2);
    EXPECT_EQ(ItemCachedOrientation(c), 2u);
    EXPECT_EQ(c->ws->itemCache[kCachedOrientation], ItemFindById(c, kOrientation));
    set(kOrientation, 1);
    EXPECT_EQ(ItemCachedOrientation(c), 1u);
    // Every slot names an item of the table.
    for (uint32_t s = 0; s < kCachedItemCount; ++s)
        EXPECT_NE(ItemFindById(c, CachedItemId(static_cast<CachedItem>(s))), nullptr) << s;
    set(kNupOn, 1);
    EXPECT_EQ(ItemCachedFuncSelectNup(c), 1u);
}

// ---- Paper-size limits, on the sample model's page sizes ----

namespace {

// A free-size paper (code 300) wider than the device takes, for the output
// paper test; everything else as the library answers it.
int bigFreeSize(DrvContext*, int code, int32_t* w, int32_t* l) {
    if (code != 300) return 0;
    *w = 40000;
    *l = 9600;
    return 1;
}

class Limits : public ImageTest {
protected:
    void SetUp() override {
        loadSample();
        ASSERT_TRUE(c);
        set({{kOrientation, 1}, {kPaper, kA3}, {kOutPaper, 1024}, {kResW, 1200}, {kQuality, 1200}});
    }
    void set(int id, int32_t v) { ItemSetRawById(c, id, static_cast<uint32_t>(v)); }
    void set(std::initializer_list<std::pair<int, int32_t>> items) {
        for (auto [id, v] : items) set(id, v);
    }
    uint32_t raw(int id) { return ItemRawById(c, id); }
    void landscape(bool l) { set(kOrientation, l ? 2 : 1); }
};

}  // namespace

TEST_F(Limits, PaperItemsFollowThePaperAndTheResolution) {
    EXPECT_EQ(CheckPaperSizeLimits(c, 1), 1);
    // A3 at 1200 dpi: 297 x 420 mm in dots, the printable area of its
    // (turned) landscape record.
    EXPECT_EQ(raw(45), static_cast<uint32_t>(DisplayToDots(kUnitTenthMm, 2970, 1200)));
    EXPECT_EQ(raw(44), static_cast<uint32_t>(DisplayToDots(kUnitTenthMm, 4200, 1200)));
    EXPECT_EQ(raw(47), 13632u);
    EXPECT_EQ(raw(46), 19440u);
    EXPECT_EQ(raw(48), 200u);
    EXPECT_EQ(raw(49), 200u);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(raw(51 + i), raw(44 + i)) << 51 + i;
    EXPECT_EQ(raw(10), 2970u);  // dmPaperWidth from the page size
    EXPECT_EQ(raw(9), 4200u);
    const uint32_t f = dm::fields(c->devmode);
    EXPECT_TRUE(f & DM_PAPERSIZE);
    EXPECT_FALSE(f & (DM_PAPERLENGTH | DM_PAPERWIDTH));
    // With the flag the resolution goes from the items to the public fields.
    set({{kResW, 600}, {kQuality, 1200}});
    EXPECT_EQ(ComputedItemValue(c, 843), 1u);
    EXPECT_EQ(raw(kQuality), 600u);
    EXPECT_EQ(raw(17), 600u);
    EXPECT_EQ(raw(43), 600u);
    EXPECT_EQ(raw(45), static_cast<uint32_t>(DisplayToDots(kUnitTenthMm, 2970, 600)));
    // Without it, from the public fields to the items.
    set(kQuality, 1200);
    EXPECT_EQ(CheckPaperSizeLimits(c, 0), 1);
    EXPECT_EQ(raw(kResW), 1200u);
}

TEST_F(Limits, ScaleFactorsAndNupEnlargement) {
    // A3 at 1200 dpi: 14030 x 19842 dots.
    set({{kScaleOn, 1}, {kScaleType, 0}, {kScaleH, 200}, {kScaleV, 100}});
    EXPECT_EQ(CheckPaperSizeLimits(c, 1), 1);
    set(kScaleV, 160);  // the length passes the limit
    EXPECT_EQ(CheckPaperSizeLimits(c, 1), 0);
    set(kScaleType, 1);  // the horizontal factor for both
    set(kScaleH, 150);
    EXPECT_EQ(CheckPaperSizeLimits(c, 1), 1);
    set(kScaleH, 200);
    EXPECT_EQ(CheckPaperSizeLimits(c, 1), 0);
    set(kScaleType, 2);  // no scaling
    EXPECT_EQ(CheckPaperSizeLimits(c, 1), 1);
    set(kScaleOn, 0);

    // N-up enlargement: m = 0x8001 - 0x8000 doubles the shorter side only.
    set({{kNupOn, 1}, {kNupKind, 9}, {kNupType, 0x8001}});
    EXPECT_EQ(CheckPaperSizeLimits(c, 1), 1);  // 28060 x 19842
    set(kOrientation, 2);                      // turned: the length is the shorter side now
    EXPECT_EQ(CheckPaperSizeLimits(c, 1), 1);
    set(kOrientation, 1);
    set(kNupType, 0x8002);  // both doubled
    EXPECT_EQ(CheckPaperSizeLimits(c, 1), 0);
    set(kNupType, 0x8000);
    EXPECT_EQ(CheckPaperSizeLimits(c, 1), 1);
    set({{kNupType, 0x8002}, {kNupKind, 8}});
    EXPECT_EQ(CheckPaperSizeLimits(c, 1), 1);
    set({{kNupKind, 9}, {kNupOn, 0}});
    EXPECT_EQ(CheckPaperSizeLimits(c, 1), 1);

    // The custom size of the public fields (flag 0 with both flags): the
    // shorter side is the one doubled, whichever it is.
    set({{kNupOn, 1}, {kNupType, 0x8001}, {10, 1500}, {9, 4000}});
    dm::addFields(c->devmode, DM_PAPERLENGTH | DM_PAPERWIDTH);
    EXPECT_EQ(CheckPaperSizeLimits(c, 0), 1);
    EXPECT_EQ(raw(45), static_cast<uint32_t>(DisplayToDots(kUnitTenthMm, 1500, 1200)));
    EXPECT_EQ(raw(44), static_cast<uint32_t>(DisplayToDots(kUnitTenthMm, 4000, 1200)));
    EXPECT_EQ(raw(47), raw(45) - 400);  // the margins of A3's printable area
    EXPECT_EQ(raw(48), 200u);
    set({{10, 4000}, {9, 1500}});
    EXPECT_EQ(CheckPaperSizeLimits(c, 0), 1);
    set(10, 4000);
    set(9, 4000);  // both sides 18896: one doubled is too long
    EXPECT_EQ(CheckPaperSizeLimits(c, 0), 0);
}

TEST_F(Limits, At600DpiAnySizeFits) {
    set({{kNupOn, 1}, {kNupKind, 9}, {kNupType, 0x8004}});
    EXPECT_EQ(ComputedItemValue(c, 843), 0u);
    set(kResW, 600);  // item 843 takes the resolution from the items
    EXPECT_EQ(ComputedItemValue(c, 843), 1u);
    EXPECT_EQ(raw(kQuality), 600u);
    EXPECT_EQ(PaperSizeLimitsOk(c), 1);
}

TEST_F(Limits, FreeSizePapersAndTheOutputPaper) {
    DmModelQueries q = DmDefaultModelQueries();
    q.freeSizePaper = bigFreeSize;
    const DmModelQueries* previous = DmSetModelQueries(&q);
    // A free size as source paper: clamped into the custom limits, shown in
    // the public fields with both flags.
    set({{kPaper, 300}, {kOutPaper, kA4}});
    EXPECT_EQ(CheckPaperSizeLimits(c, 1), 1);
    EXPECT_EQ(raw(45), c->desc->customWidthMax);
    EXPECT_EQ(raw(44), 9600u);
    EXPECT_EQ(raw(10), static_cast<uint32_t>(DotsToDisplay(kUnitTenthMm, static_cast<int32_t>(c->desc->customWidthMax), 1200)));
    EXPECT_TRUE(dm::fields(c->devmode) & DM_PAPERWIDTH);
    EXPECT_EQ(raw(52), static_cast<uint32_t>(DisplayToDots(kUnitTenthMm, 2100, 1200)));  // A4 out
    // The same paper out is copied from the source items when item 50 says
    // "as the source".
    set(kOutPaper, 1024);
    EXPECT_EQ(CheckPaperSizeLimits(c, 1), 1);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(raw(51 + i), raw(44 + i));
    // A free size out is taken as it is: too wide at 1200 dpi.
    set({{kPaper, kA4}, {kOutPaper, 300}});
    EXPECT_EQ(CheckPaperSizeLimits(c, 1), 0);
    EXPECT_EQ(raw(52), 40000u);
    set(kResW, 600);
    EXPECT_EQ(CheckPaperSizeLimits(c, 1), 1);
    DmSetModelQueries(previous);
    // A paper that is neither a free size nor a size of the model leaves
    // the items as they were.
    set({{kResW, 1200}, {kOutPaper, 1024}, {kPaper, 256}});
    const uint32_t before = raw(45);
    EXPECT_EQ(CheckPaperSizeLimits(c, 1), 1);
    EXPECT_EQ(raw(45), before);
}

// ---- The sample model's rules over the computed items ----

TEST_F(Limits, TheSamplesPunchRulesAskTheFinisher) {
    const uint32_t punch = MdlFindOption(c, kPunchOn);
    const uint32_t punchType = MdlFindOption(c, kPunchType);
    ASSERT_NE(punch, 0u);
    ASSERT_NE(punchType, 0u);
    set({{kPaper, kA4}, {kTrayPaper[0], kA4}, {kTrayOrient[0], 0}, {kSource, 1}, {kPunchOn, 1}});
    set(kPunchType, 1);  // IDS_PUNCH_LEFT2
    // No finisher: punching is hidden, its alert shows, its Transact turns
    // it off.
    EXPECT_EQ(MdlEvalOptionCond1(c, punch, 0), 1u);
    EXPECT_EQ(MdlFirstTrueEntry(c, punch), 253u);  // VPD_StaplePunchOnMessage
    set(kFin3000, 1);
    EXPECT_EQ(ComputedItemValue(c, 734), 1u);
    EXPECT_EQ(MdlEvalOptionCond1(c, punch, 0), 0u);
    EXPECT_EQ(MdlEvalOptionCond1(c, punchType, 4), 0u);
    EXPECT_EQ(MdlFirstTrueEntry(c, punch), 0u);
    EXPECT_EQ(MdlApplyOptionActions(c, punch), 0u);
    EXPECT_EQ(raw(kPunchOn), 1u);
    // Three holes on the left (4) are beyond this finisher.
    set(kPunchType, 4);
    EXPECT_EQ(ComputedItemValue(c, 734), 0u);
    EXPECT_EQ(MdlEvalOptionCond1(c, punch, 0), 1u);
    EXPECT_EQ(MdlEvalOptionCond1(c, punchType, 4), 1u);
    EXPECT_EQ(MdlEvalOptionCond2(c, punchType, 0), 1u);  // PunchOn
    EXPECT_EQ(MdlApplyOptionActions(c, punch), 0u);
    EXPECT_EQ(raw(kPunchOn), 0u);
    // The tray holds the paper turned: the two holes on the left need it
    // upright on a portrait page.
    set({{kPunchType, 1}, {kTrayOrient[0], 1}});
    EXPECT_EQ(ComputedItemValue(c, 734), 0u);
    landscape(true);
    EXPECT_EQ(ComputedItemValue(c, 734), 1u);
}

TEST_F(Limits, EveryProgramOfTheSampleRunsAndKeepsTheStack) {
    // All conditions reachable from the Exclusive rows and the command
    // lists, on the context as set up.
    MdlImageView v = image_->view();
    std::vector<uint32_t> programs;
    auto program = [&](uint32_t at) {
        uint32_t p = 0;
        if (v.link(at, 4, &p) && p) programs.push_back(p);
    };
    uint32_t head = 0;
    ASSERT_TRUE(v.slot(kMdlSlotExclusive, &head));
    MdlListWalk rows(v, head, kMdlImgExclusiveSize);
    for (uint32_t row; rows.next(&row);) {
        program(row + 8);
        program(row + 12);
        uint32_t items = 0;
        v.link(row + 16, kMdlImgItemSize, &items);
        MdlListWalk entries(v, items, kMdlImgItemSize);
        for (uint32_t e; entries.next(&e);) {
            program(e + 8);
            program(e + 12);
        }
    }
    ASSERT_GE(programs.size(), 20u);
    for (uint32_t p : programs) {
        EXPECT_LE(MdlEvalExpression(c, p), 1u) << p;
        EXPECT_EQ(c->ws->evalTop, 0);
    }
}

// ---- An ordinary context of a printer of the sample model ----

TEST_F(SamplePrinter, AnOrdinaryContextEvaluatesTheModelsRules) {
    DrvContext* c = context(0, 0);
    ASSERT_TRUE(c);
    ASSERT_TRUE(c->model);
    ASSERT_TRUE(c->ws->evalStack);
    // The punch rules over item 734 on this context.
    const uint32_t punch = MdlFindOption(c, kPunchOn);
    ItemSetRawById(c, kPunchOn, 1);
    ItemSetRawById(c, kPunchType, 1);
    ItemSetRawById(c, kOutPaper, 1024);
    ItemSetRawById(c, kTrayPaper[0], kA4);
    ItemSetRawById(c, kTrayOrient[0], 0);
    ItemSetRawById(c, kSource, 1);
    ItemSetRawById(c, kOrientation, 1);
    EXPECT_EQ(MdlEvalOptionCond1(c, punch, 0), 1u);  // no finisher
    ItemSetRawById(c, kFin3000, 1);
    EXPECT_EQ(MdlEvalOptionCond1(c, punch, 0), 0u);
    EXPECT_EQ(c->ws->evalTop, 0);
}
