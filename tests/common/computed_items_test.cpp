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
#include "core/item_ids.h"

using namespace vesk;
using namespace vesk::test;

namespace {

// The items of trays 1-4 the predicates read.
constexpr int kTrayPaper[] = {kItRdmTray1Paper, kItRdmTray2Paper, kItRdmTray3Paper, kItRdmTray4Paper};
constexpr int kTrayOrient[] = {kItRdmTrayOrient0, kItRdmTrayOrient1, kItRdmTrayOrient2, kItRdmTrayOrient3};
constexpr int kTrayLock[] = {kItRdmTrayLock0, kItRdmTrayLock1, kItRdmTrayLock2, kItRdmTrayLock3};

constexpr int16_t kA3 = 8, kA4 = 9, kA5 = 11, kB4 = 12, kB5 = 13, kLetter = 1, kLegal = 5, kExecutive = 7;

class Computed : public ::testing::Test {
protected:
    void SetUp() override {
        ctx_ = modelContext(nullptr);
        ASSERT_TRUE(ctx_);
        c = ctx_.get();
        set({{kItDmOrientation, 1}, {kItRdmOutPaperSize, 1024}, {kItDmPaperSize, kA4}});
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
        set({{kItDmDefaultSource, held == 3 ? 7 : held == 2 ? 3 : 1}, {kItDmPaperSize, paper}});
    }
    void landscape(bool l) { set(kItDmOrientation, l ? 2 : 1); }
    winsim::TempMachine machine_;
    ContextPtr ctx_;
    DrvContext* c = nullptr;
};

}  // namespace

TEST_F(Computed, SourcesNameTheirTrays) {
    const int16_t papers[] = {kA4, kA3, kB4, kLetter};
    for (int i = 0; i < 4; ++i) set(kTrayPaper[i], papers[i]);
    set({{kItRdmTray26PaperLCT1, kLegal}, {kItRdmTray28PaperManual, kB5}, {kItRdmTray29PaperMulti, kA5}});
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
    set(kItRdmSourceOptionTypeMulti, 1);
    EXPECT_EQ(TrayHasPaper(c, 4, kA5), 1);
    set(kItRdmSourceOptionTypeManual, 1);
    EXPECT_EQ(TrayHasPaper(c, 4, kB5), 1);
    EXPECT_EQ(TrayHasPaper(c, 4, kA5), 0);
    // Source 7: unlocked trays 1-4, the large-capacity and the multi tray
    // when fitted and unlocked, never the manual tray.
    EXPECT_EQ(TrayHasPaper(c, 7, kA4), 1);
    EXPECT_EQ(TrayHasPaper(c, 7, kLetter), 1);
    EXPECT_EQ(TrayHasPaper(c, 7, kB5), 0);
    EXPECT_EQ(TrayHasPaper(c, 7, kA5), 1);
    set(kItRdmTrayLock28, 1);
    EXPECT_EQ(TrayHasPaper(c, 7, kA5), 0);
    EXPECT_EQ(TrayHasPaper(c, 7, kLegal), 0);
    set(kItRdmSourceOptionTypeLCT1, 1);
    EXPECT_EQ(TrayHasPaper(c, 7, kLegal), 1);
    set(kItRdmTrayLock25, 1);
    EXPECT_EQ(TrayHasPaper(c, 7, kLegal), 0);
    for (int i = 0; i < 4; ++i) {
        set(kTrayLock[i], 1);
        EXPECT_EQ(TrayHasPaper(c, 7, papers[i]), 0) << "tray " << i + 1;
        EXPECT_EQ(TrayHasPaper(c, i == 0 ? 1 : i == 1 ? 3 : i == 2 ? 2 : 256, papers[i]), 1);  // locked, named
    }
    // The computed ids of the same tests use the output paper.
    for (int i = 0; i < 4; ++i) set(kTrayLock[i], 0);
    set(kItDmPaperSize, kA3);
    EXPECT_EQ(value(828), 1u);
    EXPECT_EQ(value(829), 0u);
    EXPECT_EQ(value(830), 1u);  // tray 2
    EXPECT_EQ(value(831), 0u);  // tray 3
    set(kItDmPaperSize, kB4);
    EXPECT_EQ(value(830), 0u);
    EXPECT_EQ(value(831), 1u);
    set(kItDmPaperSize, kLetter);
    EXPECT_EQ(value(832), 1u);
    set(kItDmPaperSize, kLegal);
    EXPECT_EQ(value(833), 1u);
    set(kItDmPaperSize, kB5);
    EXPECT_EQ(value(834), 1u);
    EXPECT_EQ(value(828), 0u);
}

TEST_F(Computed, TrayOrientations) {
    set({{kTrayPaper[0], kA4}, {kTrayOrient[0], 1}, {kTrayPaper[1], kA4}, {kTrayOrient[1], 0}});
    EXPECT_EQ(TrayHoldsPaper(c, 1, kA4, 0), 0);
    EXPECT_EQ(TrayHoldsPaper(c, 1, kA4, 1), 1);
    EXPECT_EQ(TrayHoldsPaper(c, 7, kA4, 0), 1);  // tray 2
    set(kItDmDefaultSource, 1);
    EXPECT_EQ(TrayPaperOrientFlags(c, kA4), 2u);
    EXPECT_EQ(SourceTrayHoldsPaper(c, kA4, 1), 1);
    set(kItDmDefaultSource, 7);
    EXPECT_EQ(TrayPaperOrientFlags(c, kA4), 3u);
    EXPECT_EQ(TrayPaperOrientFlags(c, kA3), 0u);
    EXPECT_EQ(SourceTrayHoldsPaper(c, kA4, 0), 1);
    // NoAuto takes source 7 as tray 1.
    EXPECT_EQ(SourceTrayHoldsPaperNoAuto(c, kA4, 0), 0);
    EXPECT_EQ(SourceTrayHoldsPaperNoAuto(c, kA4, 1), 1);
    set(kItDmDefaultSource, 9);
    EXPECT_EQ(TrayPaperOrientFlags(c, kA4), 0u);
    // The large-capacity and multi trays have orientations of their own.
    set({{kItRdmTray26PaperLCT1, kLetter}, {kItRdmTrayOrient25, 1}});
    EXPECT_EQ(TrayHoldsPaper(c, 11, kLetter, 1), 1);
    EXPECT_EQ(TrayHoldsPaper(c, 11, kLetter, 0), 0);
    set({{kItRdmSourceOptionTypeMulti, 1}, {kItRdmTray29PaperMulti, kA5}, {kItRdmTrayOrient28, 1}});
    EXPECT_EQ(TrayHoldsPaper(c, 4, kA5, 1), 1);
    EXPECT_EQ(TrayHoldsPaper(c, 7, kA5, 0), 0);
    set(kItRdmSourceOptionTypeMulti, 0);

    uint32_t paper = 0, orient = 0;
    EXPECT_EQ(TrayGetPaperOrient(c, 3, &paper, &orient), 1);
    EXPECT_EQ(paper, 9u);
    EXPECT_EQ(orient, 0u);
    EXPECT_EQ(TrayGetPaperOrient(c, 7, &paper, &orient), 0);
    EXPECT_EQ(TrayGetPaperOrient(c, 4, &paper, &orient), 0);  // neither manual nor multi tray
    set({{kItRdmSourceOptionTypeManual, 1}, {kItRdmTray28PaperManual, kB5}, {kItRdmTrayOrient27, 1}});
    EXPECT_EQ(TrayGetPaperOrient(c, 4, &paper, &orient), 1);
    EXPECT_EQ(paper, 13u);
    EXPECT_EQ(orient, 1u);
}

TEST_F(Computed, CoverAndMarkTraysMatchTheSource) {
    set({{kTrayPaper[0], kA4}, {kTrayOrient[0], 1}, {kTrayPaper[1], kA4}, {kTrayOrient[1], 1}});
    set(kItRdmCoverInputTray, 3);  // tray 2
    set({{kItRdmMPInputTray, 3}, {kItDmDefaultSource, 3}});
    EXPECT_EQ(value(844), 1u);
    EXPECT_EQ(value(845), 1u);
    set(kItDmDefaultSource, 7);  // taken as tray 1
    EXPECT_EQ(value(844), 1u);
    set(kTrayOrient[0], 0);
    EXPECT_EQ(value(844), 0u);
    set(kItDmDefaultSource, 3);
    // A cover source that names no single tray has no paper: false.
    set(kItRdmCoverInputTray, 7);
    EXPECT_EQ(value(844), 0u);
    set(kItRdmCoverInputTray, 4);
    EXPECT_EQ(value(844), 0u);
    set(kItRdmMPInputTray, 5);
    EXPECT_EQ(value(845), 0u);
}

TEST_F(Computed, TheOutputPaperIsTheSourcePaperFor1024) {
    set({{kItDmPaperSize, kA4}, {kItRdmOutPaperSize, 1024}});
    EXPECT_EQ(ItemCachedEffectiveOutPaper(c), kA4);
    set(kItRdmOutPaperSize, kA3);
    EXPECT_EQ(ItemCachedEffectiveOutPaper(c), kA3);
    set(kItRdmOutputOptionTypeFin3000, 1);
    EXPECT_EQ(value(733), 1u);
    set(kItRdmOutPaperSize, 70);
    EXPECT_EQ(value(733), 0u);  // the output paper decides, not dmPaperSize
    set(kItRdmOutPaperSize, 1024);
    EXPECT_EQ(value(733), 1u);
}

TEST_F(Computed, ListAWithTheExtension) {
    // Code 11 counts only with the extension, code 6 only with it and a
    // Fin2000-family finisher fitted.
    set(kItRdmOutPaperSize, kA5);
    EXPECT_EQ(value(736), 1u);
    EXPECT_EQ(value(733), 0u);
    set({{kItRdmOutPaperSize, 6}, {kItRdmOutputOptionTypeFin3000, 1}});
    EXPECT_EQ(value(736), 0u);
    set(kItRdmOutputOptionTypeFin2000NA, 1);
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
        set({{kItDmOrientation, k.orient}, {kItRdmFuncSelectNup, k.nupOn}, {kItRdmNUPType, k.nupType}, {kItRdmSourceOptionTypeDuplex, k.unit}});
        set({{kItRdmFuncSelectDuplex, k.duplexOn}, {kItRdmDuplexType, k.duplexType}});
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
        {734, kItRdmOutputOptionTypeFin3000, kItRdmPunchType, 1, 1, false, kA4, 1}, {734, kItRdmOutputOptionTypeFin3000, kItRdmPunchType, 1, 1, true, kA4, 0},
        {734, kItRdmOutputOptionTypeFin3000, kItRdmPunchType, 1, 2, false, kA4, 0}, {734, kItRdmOutputOptionTypeFin3000, kItRdmPunchType, 1, 2, true, kA4, 1},
        {734, kItRdmOutputOptionTypeFin3000, kItRdmPunchType, 2, 1, true, kA4, 1},  {734, kItRdmOutputOptionTypeFin3000, kItRdmPunchType, 2, 2, false, kA4, 1},
        {734, kItRdmOutputOptionTypeFin3000, kItRdmPunchType, 3, 1, false, kA4, 0}, {734, kItRdmOutputOptionTypeFin3000, kItRdmPunchType, 17, 2, true, kA4, 0},
        {734, kItRdmOutputOptionTypeFin3000, kItRdmPunchType, 4, 1, false, kA4, 0}, {734, kItRdmOutputOptionTypeFin3000, kItRdmPunchType, 1, 0, false, kA4, 0},
        {734, kItRdmOutputOptionTypeFin3000, kItRdmPunchType, 1, 1, false, 70, 0},
        // 17 with the NA variant: turned on a landscape page, else upright
        // on a portrait page when the paper is outside list 737.
        {734, kItRdmOutputOptionTypeFin2000NA, kItRdmPunchType, 17, 2, true, kA4, 1}, {734, kItRdmOutputOptionTypeFin2000NA, kItRdmPunchType, 17, 1, false, kA4, 0},
        {734, kItRdmOutputOptionTypeFin2000NA, kItRdmPunchType, 17, 1, false, kA3, 1}, {734, kItRdmOutputOptionTypeFin2000NA, kItRdmPunchType, 17, 1, true, kA3, 0},
        {734, kItRdmOutputOptionTypeFin2000NA, kItRdmPunchType, 18, 2, false, kA4, 1}, {734, kItRdmOutputOptionTypeFin2000NA, kItRdmPunchType, 18, 1, true, kA3, 1},
        {734, kItRdmOutputOptionTypeFin2000NA, kItRdmPunchType, 33, 2, true, kA4, 0},  // 33 is the EU variant's
        {734, kItRdmOutputOptionTypeFin2000EU, kItRdmPunchType, 33, 2, true, kA4, 1}, {734, kItRdmOutputOptionTypeFin2000NE, kItRdmPunchType, 49, 1, false, kA4, 1},
        {734, kItRdmOutputOptionTypeFin2000NE, kItRdmPunchType, 1, 1, false, kA4, 0},
        // 735.
        {735, kItRdmOutputOptionTypeFin3000, kItRdmStapleType, 49, 1, true, kA4, 1}, {735, kItRdmOutputOptionTypeFin3000, kItRdmStapleType, 49, 0, true, kA4, 0},
        {735, kItRdmOutputOptionTypeFin3000, kItRdmStapleType, 1, 1, true, kA4, 1},  {735, kItRdmOutputOptionTypeFin3000, kItRdmStapleType, 1, 1, false, kA4, 0},
        {735, kItRdmOutputOptionTypeFin3000, kItRdmStapleType, 17, 1, false, kA4, 1}, {735, kItRdmOutputOptionTypeFin3000, kItRdmStapleType, 65, 2, true, kA4, 1},
        {735, kItRdmOutputOptionTypeFin3000, kItRdmStapleType, 5, 3, true, kA4, 0},  {735, kItRdmOutputOptionTypeFin3000, kItRdmStapleType, 49, 1, false, kA5, 0},
        // 750: type 14, 49 across, 50 along; B5 never held upright.
        {750, kItRdmOutputOptionType14, kItRdmStapleType, 49, 1, false, kA4, 1}, {750, kItRdmOutputOptionType14, kItRdmStapleType, 50, 1, false, kA4, 0},
        {750, kItRdmOutputOptionType14, kItRdmStapleType, 50, 2, false, kA4, 1}, {750, kItRdmOutputOptionType14, kItRdmStapleType, 49, 1, false, kB5, 0},
        {750, kItRdmOutputOptionType14, kItRdmStapleType, 49, 3, true, kB5, 1},  {750, kItRdmOutputOptionType14, kItRdmStapleType, 33, 1, false, kA4, 0},
        // 766: Fin1000, 33 across, 34 along.
        {766, kItRdmOutputOptionTypeFin1000, kItRdmStapleType, 33, 1, false, kA4, 1}, {766, kItRdmOutputOptionTypeFin1000, kItRdmStapleType, 34, 1, false, kA4, 0},
        {766, kItRdmOutputOptionTypeFin1000, kItRdmStapleType, 34, 1, true, kA4, 1},  {766, kItRdmOutputOptionTypeFin1000, kItRdmStapleType, 49, 1, false, kA4, 0},
        // 782: type 15.
        {782, kItRdmOutputOptionType15, kItRdmStapleType, 50, 2, true, kA4, 1}, {782, kItRdmOutputOptionType15, kItRdmStapleType, 65, 2, true, kA4, 1},
        {782, kItRdmOutputOptionType15, kItRdmStapleType, 66, 2, true, kA4, 0}, {782, kItRdmOutputOptionType15, kItRdmStapleType, 67, 1, true, kA4, 1},
        {782, kItRdmOutputOptionType15, kItRdmStapleType, 49, 0, true, kA4, 0},
        // 800: FinBF on A4 (796 turned, 797 upright, 798 upright).
        {800, kItRdmOutputOptionTypeFinBF, kItRdmStapleType, 49, 1, false, kA4, 1}, {800, kItRdmOutputOptionTypeFinBF, kItRdmStapleType, 50, 2, true, kA4, 1},
        {800, kItRdmOutputOptionTypeFinBF, kItRdmStapleType, 65, 2, true, kA4, 1},  {800, kItRdmOutputOptionTypeFinBF, kItRdmStapleType, 65, 2, false, kA4, 0},
        {800, kItRdmOutputOptionTypeFinBF, kItRdmStapleType, 66, 2, false, kA4, 1}, {800, kItRdmOutputOptionTypeFinBF, kItRdmStapleType, 68, 1, false, kA4, 1},
        {800, kItRdmOutputOptionTypeFinBF, kItRdmStapleType, 68, 2, false, kA4, 0}, {800, kItRdmOutputOptionTypeFinBF, kItRdmStapleType, 33, 3, false, kA4, 0},
        {800, kItRdmOutputOptionTypeFinBF, kItRdmStapleType, 65, 1, false, kLegal, 0},  // 795 needs a long paper other than Legal
        {800, kItRdmOutputOptionTypeFinBF, kItRdmStapleType, 65, 1, false, kA3, 1},
    };
    const int fitted[] = {kItRdmOutputOptionTypeFin3000, kItRdmOutputOptionTypeFin2000NA, kItRdmOutputOptionTypeFin2000EU, kItRdmOutputOptionTypeFin2000NE, kItRdmOutputOptionType14, kItRdmOutputOptionTypeFin1000, kItRdmOutputOptionType15, kItRdmOutputOptionTypeFinBF};
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
    set({{kItRdmPunchType, 1}, {kItRdmStapleType, 49}});
    for (int id : {734, 735, 750, 766, 782, 800}) EXPECT_EQ(value(id), 0u) << id;
    set(kItRdmOutputOptionTypeFin3000, 1);
    EXPECT_EQ(value(734), 1u);
    set(kItRdmOutputOptionTypeFin2000NoPunch, 1);
    EXPECT_EQ(value(734), 0u);
    set({{kItRdmOutputOptionTypeFin2000NoPunch, 0}, {kItRdmOutputOption2TypeFin3000NoPunch, 1}});
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
        {731, kItRdmOutputOptionTypeFin2000, kA4, 1, 1},  {731, kItRdmOutputOptionTypeFin2000, kA4, 2, 0},    {731, kItRdmOutputOptionTypeFin2000, kA5, 1, 1},
        {732, kItRdmOutputOptionTypeFin2000, kA4, 2, 1},  {732, kItRdmOutputOptionTypeFin2000, kLegal, 2, 0}, {732, kItRdmOutputOptionTypeFin2000, kA4, 1, 0},
        {747, kItRdmOutputOptionType14, kA4, 1, 1},   {747, kItRdmOutputOptionType14, kB5, 1, 0},     {747, kItRdmOutputOptionType14, kExecutive, 1, 0},
        {748, kItRdmOutputOptionType14, kA4, 2, 1},   {748, kItRdmOutputOptionType14, kB4, 2, 0},     {749, kItRdmOutputOptionType14, kB4, 0, 1},
        {763, kItRdmOutputOptionTypeFin1000, kA3, 1, 1},  {764, kItRdmOutputOptionTypeFin1000, kA3, 2, 0},    {764, kItRdmOutputOptionTypeFin1000, kA4, 2, 1},
        {765, kItRdmOutputOptionTypeFin1000, kA5, 0, 0},  {779, kItRdmOutputOptionType15, 514, 1, 1},     {780, kItRdmOutputOptionType15, kB5, 2, 1},
        {781, kItRdmOutputOptionType15, 6, 0, 0},     {795, kItRdmOutputOptionTypeFinBF, kA3, 1, 1},      {795, kItRdmOutputOptionTypeFinBF, kLegal, 1, 0},
        {796, kItRdmOutputOptionTypeFinBF, kB5, 2, 1},    {796, kItRdmOutputOptionTypeFinBF, kA3, 2, 0},      {797, kItRdmOutputOptionTypeFinBF, kLegal, 1, 1},
        {798, kItRdmOutputOptionTypeFinBF, kA4, 1, 1},    {798, kItRdmOutputOptionTypeFinBF, kLetter, 1, 0},  {799, kItRdmOutputOptionTypeFinBF, kB5, 0, 0},
        {799, kItRdmOutputOptionTypeFinBF, kB5, 2, 1},    {799, kItRdmOutputOptionTypeFinBF, kLetter, 0, 1},
    };
    for (const Case& k : cases) {
        for (int f : {kItRdmOutputOptionTypeFin2000, kItRdmOutputOptionType14, kItRdmOutputOptionTypeFin1000, kItRdmOutputOptionType15, kItRdmOutputOptionTypeFinBF}) set(f, 0);
        set(k.fitted, 1);
        hold(k.paper, k.held);
        EXPECT_EQ(value(k.id), k.want) << k.id << " paper " << k.paper << " held " << k.held;
    }
    // Nothing fitted: the size lists still answer, the tray tests do not.
    for (int f : {kItRdmOutputOptionTypeFin2000, kItRdmOutputOptionType14, kItRdmOutputOptionTypeFin1000, kItRdmOutputOptionType15, kItRdmOutputOptionTypeFinBF}) set(f, 0);
    hold(kA4, 1);
    EXPECT_EQ(value(731), 0u);
    EXPECT_EQ(value(747), 0u);
    EXPECT_EQ(value(749), 1u);
    EXPECT_EQ(value(765), 1u);
    EXPECT_EQ(value(781), 1u);
}

TEST_F(Computed, ExecutiveTurnedIsRefusedOnlyByMachine131) {
    set(kItRdmOutputOptionType14, 1);
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
        {kItRdmOutputOptionTypeFin3000, 1, 1, 0, 0, kA4, 1, 2},  {kItRdmOutputOptionTypeFin3000, 1, 18, 0, 0, kA4, 2, 1},  {kItRdmOutputOptionTypeFin3000, 1, 5, 0, 0, kA4, 3, 3},
        {kItRdmOutputOptionTypeFin3000, 0, 1, 0, 0, kA4, 3, 3},  {kItRdmOutputOptionTypeFin3000, 0, 0, 1, 65, kA4, 1, 2},  {kItRdmOutputOptionTypeFin3000, 0, 0, 1, 66, kA4, 2, 1},
        {kItRdmOutputOptionTypeFin3000, 0, 0, 1, 50, kA4, 3, 3}, {kItRdmOutputOptionTypeFin3000, 0, 0, 1, 5, kA4, 0, 0},   {kItRdmOutputOptionTypeFin3000, 1, 1, 0, 0, 70, 0, 0},
        {kItRdmOutputOptionTypeFin3000, 0, 0, 0, 0, kA5, 3, 3},  // list A with the extension
        {kItRdmOutputOptionTypeFin1000, 0, 0, 0, 0, kA4, 3, 3},  {kItRdmOutputOptionTypeFin1000, 0, 0, 1, 33, kA4, 1, 2},  {kItRdmOutputOptionTypeFin1000, 0, 0, 1, 34, kA4, 2, 1},
        {kItRdmOutputOptionTypeFin1000, 0, 0, 1, 49, kA4, 0, 0}, {kItRdmOutputOptionTypeFin1000, 0, 0, 0, 0, kA5, 0, 0},
        {kItRdmOutputOptionTypeFinBF, 0, 0, 1, 33, kA4, 3, 3},   {kItRdmOutputOptionTypeFinBF, 0, 0, 1, 65, kA4, 1, 2},    {kItRdmOutputOptionTypeFinBF, 0, 0, 1, 67, kA4, 2, 1},
        {kItRdmOutputOptionTypeFinBF, 0, 0, 1, 68, kA4, 1, 1},   {kItRdmOutputOptionTypeFinBF, 0, 0, 1, 1, kA4, 0, 0},     {kItRdmOutputOptionTypeFinBF, 0, 0, 0, 0, kB5, 0, 0},
        {kItRdmOutputOptionType14, 0, 0, 0, 0, kA4, 3, 3},   {kItRdmOutputOptionType14, 0, 0, 1, 49, kA4, 1, 2},   {kItRdmOutputOptionType14, 0, 0, 1, 50, kA4, 2, 1},
        {kItRdmOutputOptionType14, 0, 0, 1, 65, kA4, 0, 0},
        {kItRdmOutputOptionType15, 0, 0, 1, 49, kA4, 3, 3},  {kItRdmOutputOptionType15, 0, 0, 1, 65, kA4, 1, 2},   {kItRdmOutputOptionType15, 0, 0, 1, 66, kA4, 2, 1},
        {kItRdmOutputOptionType15, 0, 0, 0, 0, 70, 0, 0},
    };
    const int all[] = {kItRdmOutputOptionTypeFin3000, kItRdmOutputOptionTypeFin1000, kItRdmOutputOptionTypeFinBF, kItRdmOutputOptionType14, kItRdmOutputOptionType15};
    for (const Case& k : cases) {
        for (int f : all) set(f, 0);
        set({{k.fitted, 1}, {kItRdmFuncSelectPunch, k.punchOn}, {kItRdmPunchType, k.punchType}, {kItRdmFuncSelectStaple, k.stapleOn}});
        set({{kItRdmStapleType, k.stapleType}, {kItRdmOutPaperSize, k.paper}});
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
    set(kItRdmOutPaperSize, kA4);
    landscape(false);
    set({{kItRdmOutputOptionTypeFin3000, 1}, {kItRdmOutputOption2TypeFin3000NoPunch, 1}, {kItRdmFuncSelectPunch, 1}, {kItRdmPunchType, 1}, {kItRdmFuncSelectStaple, 1}, {kItRdmStapleType, 66}});
    EXPECT_EQ(GetFinishEdge(c), 2);
    set({{kItRdmOutputOptionTypeFin1000, 1}, {kItRdmStapleType, 33}});
    EXPECT_EQ(GetFinishEdge(c), 1);  // the Fin3000 rule, which reads 33 as well
    set(kItRdmStapleType, 49);
    EXPECT_EQ(GetFinishEdge(c), 3);  // Fin1000 would give 0
    for (int f : all) set(f, 0);
    set(kItRdmOutputOption2TypeFin3000NoPunch, 0);
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
    EXPECT_EQ(value(kItRdmAdmin), 0u);
    EXPECT_EQ(value(kItWdmFreeSizeName), 0u);
    EXPECT_EQ(ComputedItemValue(nullptr, 827), 0u);
    // Every listed id answers 0 or 1.
    for (int id : listed) EXPECT_LE(value(id), 1u) << id;
}

TEST_F(Computed, DescriptorsAreCachedNeverValues) {
    for (DmItem* d : c->ws->itemCache) EXPECT_EQ(d, nullptr);
    set(kItDmOrientation, 2);
    EXPECT_EQ(ItemCachedOrientation(c), 2u);
    EXPECT_EQ(c->ws->itemCache[kCachedOrientation], ItemFindById(c, kItDmOrientation));
    set(kItDmOrientation, 1);
    EXPECT_EQ(ItemCachedOrientation(c), 1u);
    // Every slot names an item of the table.
    for (uint32_t s = 0; s < kCachedItemCount; ++s)
        EXPECT_NE(ItemFindById(c, CachedItemId(static_cast<CachedItem>(s))), nullptr) << s;
    set(kItRdmFuncSelectNup, 1);
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
        set({{kItDmOrientation, 1}, {kItDmPaperSize, kA3}, {kItRdmOutPaperSize, 1024}, {kItRdmDstResolutionW, 1200}, {kItDmPrintQuality, 1200}});
    }
    void set(int id, int32_t v) { ItemSetRawById(c, id, static_cast<uint32_t>(v)); }
    void set(std::initializer_list<std::pair<int, int32_t>> items) {
        for (auto [id, v] : items) set(id, v);
    }
    uint32_t raw(int id) { return ItemRawById(c, id); }
    void landscape(bool l) { set(kItDmOrientation, l ? 2 : 1); }
};

}  // namespace

TEST_F(Limits, PaperItemsFollowThePaperAndTheResolution) {
    EXPECT_EQ(CheckPaperSizeLimits(c, 1), 1);
    // A3 at 1200 dpi: 297 x 420 mm in dots, the printable area of its
    // (turned) landscape record.
    EXPECT_EQ(raw(kItRdmSrcPaperWidthDot), static_cast<uint32_t>(DisplayToDots(kUnitTenthMm, 2970, 1200)));
    EXPECT_EQ(raw(kItRdmSrcPaperLengthDot), static_cast<uint32_t>(DisplayToDots(kUnitTenthMm, 4200, 1200)));
    EXPECT_EQ(raw(kItRdmSrcPaperPrnWidthDot), 13632u);
    EXPECT_EQ(raw(46), 19440u);
    EXPECT_EQ(raw(kItRdmSrcXOffset), 200u);
    EXPECT_EQ(raw(kItRdmSrcYOffset), 200u);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(raw(51 + i), raw(44 + i)) << 51 + i;
    EXPECT_EQ(raw(kItDmPaperWidth), 2970u);  // dmPaperWidth from the page size
    EXPECT_EQ(raw(kItDmPaperLength), 4200u);
    const uint32_t f = dm::fields(c->devmode);
    EXPECT_TRUE(f & DM_PAPERSIZE);
    EXPECT_FALSE(f & (DM_PAPERLENGTH | DM_PAPERWIDTH));
    // With the flag the resolution goes from the items to the public fields.
    set({{kItRdmDstResolutionW, 600}, {kItDmPrintQuality, 1200}});
    EXPECT_EQ(ComputedItemValue(c, 843), 1u);
    EXPECT_EQ(raw(kItDmPrintQuality), 600u);
    EXPECT_EQ(raw(kItDmYResolution), 600u);
    EXPECT_EQ(raw(kItRdmDstResolutionH), 600u);
    EXPECT_EQ(raw(kItRdmSrcPaperWidthDot), static_cast<uint32_t>(DisplayToDots(kUnitTenthMm, 2970, 600)));
    // Without it, from the public fields to the items.
    set(kItDmPrintQuality, 1200);
    EXPECT_EQ(CheckPaperSizeLimits(c, 0), 1);
    EXPECT_EQ(raw(kItRdmDstResolutionW), 1200u);
}

TEST_F(Limits, ScaleFactorsAndNupEnlargement) {
    // A3 at 1200 dpi: 14030 x 19842 dots.
    set({{kItRdmFuncSelectScale, 1}, {kItRdmScaleType, 0}, {kItRdmScaleH, 200}, {kItRdmScaleV, 100}});
    EXPECT_EQ(CheckPaperSizeLimits(c, 1), 1);
    set(kItRdmScaleV, 160);  // the length passes the limit
    EXPECT_EQ(CheckPaperSizeLimits(c, 1), 0);
    set(kItRdmScaleType, 1);  // the horizontal factor for both
    set(kItRdmScaleH, 150);
    EXPECT_EQ(CheckPaperSizeLimits(c, 1), 1);
    set(kItRdmScaleH, 200);
    EXPECT_EQ(CheckPaperSizeLimits(c, 1), 0);
    set(kItRdmScaleType, 2);  // no scaling
    EXPECT_EQ(CheckPaperSizeLimits(c, 1), 1);
    set(kItRdmFuncSelectScale, 0);

    // N-up enlargement: m = 0x8001 - 0x8000 doubles the shorter side only.
    set({{kItRdmFuncSelectNup, 1}, {kItRdmNUPPOSTKind, 9}, {kItRdmNUPType, 0x8001}});
    EXPECT_EQ(CheckPaperSizeLimits(c, 1), 1);  // 28060 x 19842
    set(kItDmOrientation, 2);                      // turned: the length is the shorter side now
    EXPECT_EQ(CheckPaperSizeLimits(c, 1), 1);
    set(kItDmOrientation, 1);
    set(kItRdmNUPType, 0x8002);  // both doubled
    EXPECT_EQ(CheckPaperSizeLimits(c, 1), 0);
    set(kItRdmNUPType, 0x8000);
    EXPECT_EQ(CheckPaperSizeLimits(c, 1), 1);
    set({{kItRdmNUPType, 0x8002}, {kItRdmNUPPOSTKind, 8}});
    EXPECT_EQ(CheckPaperSizeLimits(c, 1), 1);
    set({{kItRdmNUPPOSTKind, 9}, {kItRdmFuncSelectNup, 0}});
    EXPECT_EQ(CheckPaperSizeLimits(c, 1), 1);

    // The custom size of the public fields (flag 0 with both flags): the
    // shorter side is the one doubled, whichever it is.
    set({{kItRdmFuncSelectNup, 1}, {kItRdmNUPType, 0x8001}, {10, 1500}, {9, 4000}});
    dm::addFields(c->devmode, DM_PAPERLENGTH | DM_PAPERWIDTH);
    EXPECT_EQ(CheckPaperSizeLimits(c, 0), 1);
    EXPECT_EQ(raw(kItRdmSrcPaperWidthDot), static_cast<uint32_t>(DisplayToDots(kUnitTenthMm, 1500, 1200)));
    EXPECT_EQ(raw(kItRdmSrcPaperLengthDot), static_cast<uint32_t>(DisplayToDots(kUnitTenthMm, 4000, 1200)));
    EXPECT_EQ(raw(kItRdmSrcPaperPrnWidthDot), raw(kItRdmSrcPaperWidthDot) - 400);  // the margins of A3's printable area
    EXPECT_EQ(raw(kItRdmSrcXOffset), 200u);
    set({{10, 4000}, {9, 1500}});
    EXPECT_EQ(CheckPaperSizeLimits(c, 0), 1);
    set(kItDmPaperWidth, 4000);
    set(kItDmPaperLength, 4000);  // both sides 18896: one doubled is too long
    EXPECT_EQ(CheckPaperSizeLimits(c, 0), 0);
}

TEST_F(Limits, At600DpiAnySizeFits) {
    set({{kItRdmFuncSelectNup, 1}, {kItRdmNUPPOSTKind, 9}, {kItRdmNUPType, 0x8004}});
    EXPECT_EQ(ComputedItemValue(c, 843), 0u);
    set(kItRdmDstResolutionW, 600);  // item 843 takes the resolution from the items
    EXPECT_EQ(ComputedItemValue(c, 843), 1u);
    EXPECT_EQ(raw(kItDmPrintQuality), 600u);
    EXPECT_EQ(PaperSizeLimitsOk(c), 1);
}

TEST_F(Limits, FreeSizePapersAndTheOutputPaper) {
    DmModelQueries q = DmDefaultModelQueries();
    q.freeSizePaper = bigFreeSize;
    const DmModelQueries* previous = DmSetModelQueries(&q);
    // A free size as source paper: clamped into the custom limits, shown in
    // the public fields with both flags.
    set({{kItDmPaperSize, 300}, {kItRdmOutPaperSize, kA4}});
    EXPECT_EQ(CheckPaperSizeLimits(c, 1), 1);
    EXPECT_EQ(raw(kItRdmSrcPaperWidthDot), c->desc->customWidthMax);
    EXPECT_EQ(raw(kItRdmSrcPaperLengthDot), 9600u);
    EXPECT_EQ(raw(kItDmPaperWidth), static_cast<uint32_t>(DotsToDisplay(kUnitTenthMm, static_cast<int32_t>(c->desc->customWidthMax), 1200)));
    EXPECT_TRUE(dm::fields(c->devmode) & DM_PAPERWIDTH);
    EXPECT_EQ(raw(kItRdmDstPaperWidthDot), static_cast<uint32_t>(DisplayToDots(kUnitTenthMm, 2100, 1200)));  // A4 out
    // The same paper out is copied from the source items when item 50 says
    // "as the source".
    set(kItRdmOutPaperSize, 1024);
    EXPECT_EQ(CheckPaperSizeLimits(c, 1), 1);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(raw(51 + i), raw(44 + i));
    // A free size out is taken as it is: too wide at 1200 dpi.
    set({{kItDmPaperSize, kA4}, {kItRdmOutPaperSize, 300}});
    EXPECT_EQ(CheckPaperSizeLimits(c, 1), 0);
    EXPECT_EQ(raw(kItRdmDstPaperWidthDot), 40000u);
    set(kItRdmDstResolutionW, 600);
    EXPECT_EQ(CheckPaperSizeLimits(c, 1), 1);
    DmSetModelQueries(previous);
    // A paper that is neither a free size nor a size of the model leaves
    // the items as they were.
    set({{kItRdmDstResolutionW, 1200}, {kItRdmOutPaperSize, 1024}, {kItDmPaperSize, 393}});
    const uint32_t before = raw(kItRdmSrcPaperWidthDot);
    EXPECT_EQ(CheckPaperSizeLimits(c, 1), 1);
    EXPECT_EQ(raw(kItRdmSrcPaperWidthDot), before);
}

// ---- The sample model's rules over the computed items ----

TEST_F(Limits, TheSamplesPunchRulesAskTheFinisher) {
    const uint32_t punch = MdlFindOption(c, kItRdmFuncSelectPunch);
    const uint32_t punchType = MdlFindOption(c, kItRdmPunchType);
    ASSERT_NE(punch, 0u);
    ASSERT_NE(punchType, 0u);
    set({{kItDmPaperSize, kA4}, {kTrayPaper[0], kA4}, {kTrayOrient[0], 0}, {kItDmDefaultSource, 1}, {kItRdmFuncSelectPunch, 1}});
    set(kItRdmPunchType, 1);  // IDS_PUNCH_LEFT2
    // No finisher: punching is hidden, its alert shows, its Transact turns
    // it off.
    EXPECT_EQ(MdlEvalOptionCond1(c, punch, 0), 1u);
    EXPECT_EQ(MdlFirstTrueEntry(c, punch), 253u);  // VPD_StaplePunchOnMessage
    set(kItRdmOutputOptionTypeFin3000, 1);
    EXPECT_EQ(ComputedItemValue(c, 734), 1u);
    EXPECT_EQ(MdlEvalOptionCond1(c, punch, 0), 0u);
    EXPECT_EQ(MdlEvalOptionCond1(c, punchType, 4), 0u);
    EXPECT_EQ(MdlFirstTrueEntry(c, punch), 0u);
    EXPECT_EQ(MdlApplyOptionActions(c, punch), 0u);
    EXPECT_EQ(raw(kItRdmFuncSelectPunch), 1u);
    // Three holes on the left (4) are beyond this finisher.
    set(kItRdmPunchType, 4);
    EXPECT_EQ(ComputedItemValue(c, 734), 0u);
    EXPECT_EQ(MdlEvalOptionCond1(c, punch, 0), 1u);
    EXPECT_EQ(MdlEvalOptionCond1(c, punchType, 4), 1u);
    EXPECT_EQ(MdlEvalOptionCond2(c, punchType, 0), 1u);  // PunchOn
    EXPECT_EQ(MdlApplyOptionActions(c, punch), 0u);
    EXPECT_EQ(raw(kItRdmFuncSelectPunch), 0u);
    // The tray holds the paper turned: the two holes on the left need it
    // upright on a portrait page.
    set({{kItRdmPunchType, 1}, {kTrayOrient[0], 1}});
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
    const uint32_t punch = MdlFindOption(c, kItRdmFuncSelectPunch);
    ItemSetRawById(c, kItRdmFuncSelectPunch, 1);
    ItemSetRawById(c, kItRdmPunchType, 1);
    ItemSetRawById(c, kItRdmOutPaperSize, 1024);
    ItemSetRawById(c, kTrayPaper[0], kA4);
    ItemSetRawById(c, kTrayOrient[0], 0);
    ItemSetRawById(c, kItDmDefaultSource, 1);
    ItemSetRawById(c, kItDmOrientation, 1);
    EXPECT_EQ(MdlEvalOptionCond1(c, punch, 0), 1u);  // no finisher
    ItemSetRawById(c, kItRdmOutputOptionTypeFin3000, 1);
    EXPECT_EQ(MdlEvalOptionCond1(c, punch, 0), 0u);
    EXPECT_EQ(c->ws->evalTop, 0);
}
