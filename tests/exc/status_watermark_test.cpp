// The watermark items: the API's watermark defined in stamp slot 256 (its
// checks, the record versions, the files of the image and overlay kinds,
// the installed-font test) and the selection of the printed watermark.
#include <winsim/winsim.h>

#include <win/files.h>

#include "api/opt_values.h"
#include "caps/caps_items.h"
#include "core/item_ids.h"
#include "core/ini_wrap.h"
#include "core/lists/lists.h"
#include "exc/status_support.h"
#include "status/status_watermark.h"

namespace vesk::test {
namespace {

constexpr int kItWmId = 120, kItWmSwitch = 63;

class StatusWatermark : public StatusHandle {
protected:
    void SetUp() override {
        StatusHandle::SetUp();
        winsim::config().set("fonts.screen", "Garamond Book;Courier 10:raster;@Mincho");
        CreateDirectoryW(u"C:\\_vesk", nullptr);
    }
    // A text watermark record of `version` 1 or 2.
    static std::vector<BYTE> textMark(uint32_t version = 2) {
        std::vector<BYTE> r(version >= 2 ? 412 : 372, 0);
        RecPutU32(r.data(), 0, version);
        RecPutU32(r.data(), 4, 1);     // kind
        RecPutU32(r.data(), 20, 1);    // font style
        RecPutU32(r.data(), 28, 2);    // colour
        RecPutU32(r.data(), 32, 50);   // density
        RecPutU32(r.data(), 36, 72);   // size
        putText(r, 44, "DRAFT");
        putText(r, 77, "Garamond Book");
        return r;
    }
    static std::vector<BYTE> fileMark(uint32_t kind, uint32_t size, const std::string& path) {
        std::vector<BYTE> r(412, 0);
        RecPutU32(r.data(), 0, 2);
        RecPutU32(r.data(), 4, kind);
        RecPutU32(r.data(), 36, size);
        putText(r, 109, path);
        return r;
    }
    static void writeFile(const char16_t* path, const std::vector<BYTE>& bytes) {
        HANDLE f = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(f, INVALID_HANDLE_VALUE);
        DWORD n = 0;
        WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &n, nullptr);
        CloseHandle(f);
    }
    static std::vector<BYTE> bitmapHead(uint32_t infoSize) {
        std::vector<BYTE> b(64, 0);
        b[0] = 'B';
        b[1] = 'M';
        RecPutU32(b.data(), 14, infoSize);
        return b;
    }
};

TEST_F(StatusWatermark, TheTextKindsChecks) {
    std::vector<BYTE> g(412, 0);
    EXPECT_EQ(VESKDrvGetStatus(h_, 16, g.data(), 2), -1) << "nothing defined yet";
    struct Case {
        size_t at;
        uint32_t value;
        int32_t want;
        const char* why;
    } cases[] = {
        {36, 5, -1, "size 5"},         {36, 6, 0, "size 6"},          {36, 1000, -1, "size 1000"},
        {40, 360, -1, "angle 360"},    {32, 101, -1, "density 101"},  {28, 7, -1, "colour 7"},
        {20, 4, -1, "font style 4"},   {24, 4, -1, "effect 4"},       {8, 3, -1, "position 3"},
        {12, 2, -1, "opaque 2"},       {16, 2, -1, "page 2"},         {4, 4, -1, "kind 4"},
    };
    for (const Case& k : cases) {
        std::vector<BYTE> r = textMark();
        RecPutU32(r.data(), k.at, k.value);
        EXPECT_EQ(set(16, r), k.want) << k.why;
    }
    std::vector<BYTE> r = textMark();
    RecPutU32(r.data(), 40, 45);
    RecPutU32(r.data(), 8, 2);
    EXPECT_EQ(set(16, r), -1) << "an angle with position 2";
    RecPutU32(r.data(), 8, 64);
    EXPECT_EQ(set(16, r), 0) << "an angle with position 64";
    r = textMark();
    std::memcpy(r.data() + 77, "garamond book", 13);
    EXPECT_EQ(set(16, r), -1) << "the face in other letter case";
    r = textMark();
    std::memset(r.data() + 77, 0, 32);
    std::memcpy(r.data() + 77, "Courier 10", 10);
    EXPECT_EQ(set(16, r), -1) << "not a TrueType face";
    r = textMark();
    std::memset(r.data() + 44, 'X', 33);
    EXPECT_EQ(set(16, r), -1) << "a text without its end";
}

TEST_F(StatusWatermark, TheDefinitionGoesToSlot256AndLeavesTheDevmode) {
    // A first Set brings the handle to the settings its calls reload.
    ASSERT_EQ(set(9, rec(raw(12))), 0);
    const std::vector<BYTE> before = sections();
    const int stamps = GetStampCount(ctx());
    ASSERT_EQ(set(16, textMark()), 0);
    EXPECT_EQ(sections(), before) << "defining the watermark changes nothing of the handle";
    EXPECT_EQ(ApiStampSlotDefined(ctx()), 1);
    std::vector<BYTE> g(412, 0xCC);
    ASSERT_EQ(VESKDrvGetStatus(h_, 16, g.data(), 0), 412) << "no version asked: version 2";
    EXPECT_EQ(RecU32(g.data(), 0), 2u);
    EXPECT_EQ(RecU32(g.data(), 4), 1u);
    EXPECT_EQ(RecU32(g.data(), 28), 2u);
    EXPECT_EQ(RecU32(g.data(), 36), 72u);
    EXPECT_STREQ(reinterpret_cast<const char*>(g.data() + 44), "DRAFT");
    EXPECT_STREQ(reinterpret_cast<const char*>(g.data() + 77), "Garamond Book");
    EXPECT_EQ(RecU32(g.data(), 388), 100u) << "tile density of other kinds";
    EXPECT_EQ(sections(), before);
    std::vector<BYTE> v1(372, 0xCC);
    ASSERT_EQ(VESKDrvGetStatus(h_, 16, v1.data(), 1), 372);
    EXPECT_EQ(RecU32(v1.data(), 0), 1u) << "the version asked is stamped";

    // The definition is stored in the printer's settings file, under the
    // slot's own section.
    WCHAR kind[16] = {};
    IniGetString(u"Stamp256us", u"rdmWmKind", u"", kind, 16, GetIniFilePath(ctx()));
    EXPECT_NE(kind[0], 0) << "slot 256 holds the watermark's kind";

    // Selecting it: the handle prints slot 256, never another stamp in its place.
    ASSERT_EQ(set(17, rec(256, 0, 0, 0, 1)), 0);
    EXPECT_EQ(raw(kItWmId), 256u);
    EXPECT_EQ(raw(kItWmSwitch), 1u);
    std::vector<BYTE> s(32, 0);
    ASSERT_EQ(VESKDrvGetStatus(h_, 17, s.data(), 0), 32);
    EXPECT_EQ(RecU32(s.data(), 4), 256u);
    EXPECT_EQ(RecU32(s.data(), 28), 1u);
    EXPECT_EQ(GetStampCount(ctx()), stamps) << "slot 256 is never counted";
}

TEST_F(StatusWatermark, Slot256SurvivesTheStampWalksAndTheDevmodeBytes) {
    // Two stored stamps, then the API's watermark selected.
    setRaw(kItWmSwitch, 0);
    for (uint32_t i = 0; i < 2; ++i) {
        ItemSetString(ctx(), ItemFindById(ctx(), kItWdmWmChar), i ? u"B" : u"A");
        setRaw(kItRdmWmKind, 1);
        ASSERT_EQ(SaveStampByIndex(ctx(), i), 1);
    }
    ASSERT_EQ(set(16, textMark()), 0);
    ASSERT_EQ(set(17, rec(256, 0, 0, 0, 1)), 0);
    // The id is 16 bits at 585: the byte the one-byte layout used stays 0,
    // the neighbours keep their values.
    const BYTE* dm = ctx()->devmode;
    EXPECT_EQ(dm[585], 0x00);
    EXPECT_EQ(dm[586], 0x01);
    EXPECT_EQ(dm[481], 0);
    EXPECT_EQ(dm[587], raw(kItRdmLanguageID));

    // Capability item 32 walks every stamp through the id and puts the
    // handle's selection back.
    const std::vector<BYTE> before = sections();
    const uint32_t count = static_cast<uint32_t>(GetStampCount(ctx()));
    ASSERT_GE(count, 2u);
    std::vector<uint32_t> ids(count + 1, 0);
    ASSERT_EQ(CapsCallItemBounded(h_, 32, ids.data(), count + 1), static_cast<int32_t>(count + 1));
    EXPECT_EQ(ids[0], 256u);
    for (uint32_t k = 1; k <= count; ++k) EXPECT_EQ(ids[k], k);
    EXPECT_EQ(sections(), before);
    EXPECT_EQ(raw(kItWmId), 256u);

    // A stored stamp is selected by its number and back again.
    ASSERT_EQ(set(17, rec(2, 0, 0, 0, 1)), 0);
    EXPECT_EQ(raw(kItWmId), 1u);
    ASSERT_EQ(set(17, rec(256, 0, 0, 0, 1)), 0);
    EXPECT_EQ(raw(kItWmId), 256u);
    WCHAR id[8] = {};
    IniGetString(u"Stamp256us", u"rdmWmID", u"", id, 8, GetIniFilePath(ctx()));
    EXPECT_EQ(std::u16string(id), u"256") << "the slot's section names its own number";
}

TEST_F(StatusWatermark, TheSelectionNamesAStoredStampOrSlot256) {
    EXPECT_EQ(set(17, rec(256, 0, 0, 0, 1)), -1) << "slot 256 not defined";
    const uint32_t count = static_cast<uint32_t>(GetStampCount(ctx()));
    EXPECT_EQ(set(17, rec(count + 1, 0, 0, 0, 1)), -1) << "one above the last stored stamp";
    if (count > 0) {
        EXPECT_EQ(set(17, rec(count, 0, 0, 0, 1)), 0);
        EXPECT_EQ(raw(kItWmId), count - 1);
    }
    EXPECT_EQ(set(17, rec(999, 0, 0, 0, 0)), 0) << "switching off looks at nothing else";
    EXPECT_EQ(raw(kItWmSwitch), 0u);
}

TEST_F(StatusWatermark, TheTiledKindNeedsVersion2AndItsSwitch) {
    std::vector<BYTE> r = textMark(1);
    RecPutU32(r.data(), 4, 128);
    WritePrivateProfileStringW(u"VESKAPI", u"VESKAPIFunc1", u"1", iniPath().c_str());
    EXPECT_EQ(set(16, r), -1) << "kind 128 in a version-1 record";
    ASSERT_EQ(ApiFuncEnabled(h_, 0x1), 1);
    r = textMark(2);
    RecPutU32(r.data(), 4, 128);
    RecPutU32(r.data(), 396, 1);
    ASSERT_EQ(set(16, r), 0);
    const std::vector<BYTE> before = sections();
    std::vector<BYTE> v1(372, 0);
    EXPECT_EQ(VESKDrvGetStatus(h_, 16, v1.data(), 1), -1);
    EXPECT_EQ(sections(), before);
    std::vector<BYTE> g(412, 0);
    ASSERT_EQ(VESKDrvGetStatus(h_, 16, g.data(), 2), 412);
    EXPECT_EQ(RecU32(g.data(), 396), 1u) << "the tile rotation";
}

TEST_F(StatusWatermark, TheImageAndOverlayFiles) {
    writeFile(u"C:\\_vesk\\mark.bmp", bitmapHead(40));
    writeFile(u"C:\\_vesk\\old.bmp", bitmapHead(12));
    writeFile(u"C:\\_vesk\\FORM.RPO", {1, 2, 3});
    EXPECT_EQ(set(16, fileMark(2, 29, "C:\\_vesk\\mark.bmp")), -1) << "scale 29";
    EXPECT_EQ(set(16, fileMark(2, 100, "C:\\_vesk\\old.bmp")), -1) << "a 12-byte info header";
    EXPECT_EQ(set(16, fileMark(2, 100, "_vesk\\mark.bmp")), -1) << "a relative path";
    EXPECT_EQ(set(16, fileMark(2, 100, "C:\\_vesk\\mark.bmp")), 0);
    EXPECT_EQ(set(16, fileMark(3, 0, "C:\\_vesk\\none.rpo")), -1) << "no such overlay";
    EXPECT_EQ(set(16, fileMark(3, 0, "C:\\_vesk\\FORM.RPO")), 0);
    std::vector<BYTE> g(412, 0);
    ASSERT_EQ(VESKDrvGetStatus(h_, 16, g.data(), 2), 412);
    EXPECT_EQ(RecU32(g.data(), 4), 3u);
    EXPECT_STREQ(reinterpret_cast<const char*>(g.data() + 109), "C:\\_vesk\\FORM.RPO");
    if (CreateDirectoryW(u"\\\\forms\\share", nullptr) || GetLastError() == ERROR_ALREADY_EXISTS) {
        writeFile(u"\\\\forms\\share\\LETTER.RPO", {1});
        EXPECT_EQ(set(16, fileMark(3, 0, "\\\\forms\\share\\LETTER.RPO")), 0) << "a UNC overlay";
    }
}

}  // namespace
}  // namespace vesk::test
