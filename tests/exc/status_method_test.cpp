// The print method and user-ID items: each method's field rules, the
// overlay path with its probe, the tally ID, the file-name tests and the
// outside writes that only a successful Set carries out.
#include <winsim/winsim.h>

#include <win/files.h>

#include "api/opt_values.h"
#include "status/status_support.h"
#include "status/status_tables.h"
#include "core/ini_wrap.h"
#include "status/path_tests.h"
#include "exc/status_support.h"

namespace vesk::test {
namespace {

using StatusMethod = StatusHandle;

constexpr int kItUserId = 215, kItJobPw = 220, kItMethod = 222, kItOverlay = 875, kItWatermarkOn = 63;

struct MethodFields {
    uint32_t method;
    std::string userId{}, jobPw{}, storedPw{}, owner{}, document{}, merge{}, overlay{};
    uint32_t flags = 0;  // 0: the flags of the texts given
};

std::vector<BYTE> methodRecord(const MethodFields& f) {
    std::vector<BYTE> r(392, 0);
    RecPutU32(r.data(), 0, 3);
    RecPutU32(r.data(), 4, f.method);
    uint32_t flags = 0;
    auto put = [&](const std::string& s, size_t at, uint32_t flag) {
        if (s.empty()) return;
        std::memcpy(r.data() + at, s.data(), s.size());
        flags |= flag;
    };
    put(f.userId, 12, 0x1);
    put(f.jobPw, 21, 0x2);
    put(f.storedPw, 26, 0x4);
    put(f.owner, 31, 0x8);
    put(f.document, 48, 0x10);
    put(f.merge, 65, 0x20);
    put(f.overlay, 130, 0x40);
    RecPutU32(r.data(), 8, f.flags ? f.flags : flags);
    return r;
}

TEST_F(StatusMethod, EachMethodChecksItsFields) {
    struct Case {
        MethodFields f;
        int32_t want;
        const char* why;
    } cases[] = {
        {{0, "ABC12"}, 0, "letters and digits"},
        {{0, "AB-1"}, -1, "a dash"},
        {{1, "ABC", "1234"}, 0, "four digits"},
        {{1, "ABC", "12a4"}, -1, "a letter in the job password"},
        {{1, "ABC", "123"}, -1, "three digits"},
        {{1, "", "1234", "", "", "", "", "", 0x3}, -1, "an empty user ID given"},
        {{2, "ABC"}, 0, "user ID alone"},
        {{3, "ABC", "", "", "", "", "", "", 0x5}, 0, "an empty stored password"},
        {{3, "ABC", "", "12x4"}, -1, "a stored password with a letter"},
        {{3, "ABC", "", "1234", "Ann \"A\""}, -1, "a double quote in the owner"},
        {{3, "ABC", "", "1234", "Ann", "Plan \"B\""}, -1, "a double quote in the document"},
        {{3, "ABC", "", "1234", "Ann", "Plan"}, 0, "all four fields"},
        {{5, "", "", "", "", "", "merge.csv"}, 0, "a plain file name"},
        {{5, "", "", "", "", "", "dir\\merge.csv"}, -1, "a backslash in the merge file name"},
        {{5, "", "", "", "", "", "a:b"}, -1, "a colon"},
        {{4, "", "", "", "", "", ""}, -1, "method 4"},
        {{6, "", "", "", "", "", ""}, -1, "method 6"},
    };
    for (const Case& k : cases) {
        const std::vector<BYTE> before = sections();
        const int32_t got = set(10, methodRecord(k.f));
        EXPECT_EQ(got, k.want) << k.why;
        if (got == -1) EXPECT_EQ(sections(), before) << k.why;
        else EXPECT_EQ(raw(kItMethod), k.f.method) << k.why;
    }
}

TEST_F(StatusMethod, ATextWithoutItsEndIsRefused) {
    std::vector<BYTE> r = methodRecord({0, "ABC"});
    std::memset(r.data() + 12, 'A', 9);
    EXPECT_EQ(set(10, r), -1);
    std::vector<BYTE> u(392, 0);
    RecPutU32(u.data(), 0, 3);
    std::memset(u.data() + 12, 'B', 9);
    EXPECT_EQ(set(26, u), -1);
}

TEST_F(StatusMethod, ASuccessfulSetWritesTheMethodAndARefusedOneNothing) {
    winsim::journalEnable(true);
    winsim::journalClear();
    ASSERT_EQ(set(10, methodRecord({1, "ABC", "1234"})), 0);
    EXPECT_GT(winsim::journalCount("WritePrivateProfileStringW"), 0u) << "the method is persisted";
    std::vector<BYTE> r(392, 0);
    ASSERT_EQ(VESKDrvGetStatus(h_, 10, r.data(), 0), 392);
    EXPECT_EQ(RecU32(r.data(), 4), 1u);
    EXPECT_EQ(RecU32(r.data(), 8), 0x7Fu);
    EXPECT_STREQ(reinterpret_cast<const char*>(r.data() + 12), "ABC");
    EXPECT_STREQ(reinterpret_cast<const char*>(r.data() + 21), "1234") << "the password is handed out in clear";
    winsim::journalClear();
    EXPECT_EQ(set(10, methodRecord({1, "ABC", "12a4"})), -1);
    EXPECT_EQ(winsim::journalCount("WritePrivateProfileStringW"), 0u);
    EXPECT_EQ(winsim::journalCount("JcSetItem"), 0u);
}

TEST_F(StatusMethod, AnIniWriteOfAFailedCallIsPutBack) {
    const std::u16string ini = GetIniFilePath(ctx());
    auto stored = [&]() {
        WCHAR b[32] = {};
        IniGetString(u"Office [2]", u"PrnMethod", u"(none)", b, 32, ini.c_str());
        return std::u16string(b);
    };
    ASSERT_EQ(stored(), u"(none)");
    StatusCall call;
    call.ctx = ctx();
    setRaw(kItMethod, 3);
    StSaveEntry(call, kItMethod);
    EXPECT_EQ(stored(), u"3");
    setRaw(kItMethod, 5);
    StSaveEntry(call, kItMethod);
    EXPECT_EQ(stored(), u"5");
    for (auto it = call.undo.rbegin(); it != call.undo.rend(); ++it) (*it)();
    EXPECT_EQ(stored(), u"(none)") << "a value that was not there is removed again";
}

TEST_F(StatusMethod, TheOverlayPathIsProbedAndStoredInFull) {
    CreateDirectoryW(u"C:\\_vesk", nullptr);
    setRaw(kItWatermarkOn, 1);
    EXPECT_EQ(set(10, methodRecord({7, "", "", "", "", "", "", "C:\\_vesk\\form.rpo"})), -1) << "watermark on";
    setRaw(kItWatermarkOn, 0);
    EXPECT_EQ(set(10, methodRecord({7, "", "", "", "", "", "", "form.rpo"})), -1) << "no directory";
    EXPECT_EQ(set(10, methodRecord({7, "", "", "", "", "", "", "C:\\_vesk\\form.prn"})), -1) << "another extension";
    EXPECT_EQ(set(10, methodRecord({7, "", "", "", "", "", "", "C:\\_vesk\\a\\b\\form.rpo"})), -1)
        << "two missing levels";

    ASSERT_EQ(set(10, methodRecord({7, "", "", "", "", "", "", "C:\\_vesk\\newdir\\FORM.RPO"})), 0);
    EXPECT_EQ(GetFileAttributesW(u"C:\\_vesk\\newdir"), INVALID_FILE_ATTRIBUTES) << "the directory is removed again";
    std::vector<BYTE> r(392, 0);
    ASSERT_EQ(VESKDrvGetStatus(h_, 10, r.data(), 0), 392);
    EXPECT_STREQ(reinterpret_cast<const char*>(r.data() + 130), "C:\\_vesk\\newdir\\FORM.RPO");

    // An existing file is the caller's: neither truncated nor deleted.
    HANDLE f = CreateFileW(u"C:\\_vesk\\kept.rpo", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
    ASSERT_NE(f, INVALID_HANDLE_VALUE);
    DWORD wrote = 0;
    WriteFile(f, "form", 4, &wrote, nullptr);
    CloseHandle(f);
    ASSERT_EQ(set(10, methodRecord({7, "", "", "", "", "", "", "C:\\_vesk\\kept.rpo"})), 0);
    WIN32_FILE_ATTRIBUTE_DATA data{};
    ASSERT_TRUE(GetFileAttributesExW(u"C:\\_vesk\\kept.rpo", GetFileExInfoStandard, &data));
    EXPECT_EQ(data.nFileSizeLow, 4u);
    // Without a path given the stored one serves.
    EXPECT_EQ(set(10, methodRecord({7})), 0);
}

TEST_F(StatusMethod, TheTallyIdNeedsItsApiSwitch) {
    std::vector<BYTE> r = methodRecord({255, "", "", "", "", "", "", "TALLY-0123456789-ABCDEFG"});
    EXPECT_EQ(set(10, r), -1) << "VESKAPIFunc1 bit 0x8 clear";
    WritePrivateProfileStringW(u"VESKAPI", u"VESKAPIFunc1", u"8", iniPath().c_str());
    ASSERT_EQ(ApiFuncEnabled(h_, 0x8), 1);
    ASSERT_EQ(set(10, r), 0);
    std::vector<BYTE> g(392, 0);
    RecPutU32(g.data(), 4, 255);
    ASSERT_EQ(VESKDrvGetStatus(h_, 10, g.data(), 0), 392);
    EXPECT_STREQ(reinterpret_cast<const char*>(g.data() + 130), "TALLY-0123456789-ABC") << "20 bytes at most";
    EXPECT_EQ(RecU32(g.data(), 8), 0x40u);
}

TEST_F(StatusMethod, TheUserIdItem) {
    std::vector<BYTE> r(392, 0);
    RecPutU32(r.data(), 0, 3);
    setRaw(kItMethod, 2);
    EXPECT_EQ(set(26, r), -1) << "method 2 needs a user ID";
    ASSERT_EQ(set(10, methodRecord({0, "XYZ"})), 0);
    ASSERT_EQ(set(26, r), 0) << "method 0 takes an empty one";
    std::vector<BYTE> g(392, 0);
    ASSERT_EQ(VESKDrvGetStatus(h_, 26, g.data(), 0), 392);
    EXPECT_EQ(RecU32(g.data(), 8), 0u) << "nothing to hand out";
    std::memcpy(r.data() + 12, "JANE7", 5);
    ASSERT_EQ(set(26, r), 0);
    ASSERT_EQ(VESKDrvGetStatus(h_, 26, g.data(), 0), 392);
    EXPECT_EQ(RecU32(g.data(), 8), 1u);
    EXPECT_STREQ(reinterpret_cast<const char*>(g.data() + 12), "JANE7");
}

TEST(StatusPathTests, NamesAndPaths) {
    EXPECT_EQ(FileNameOk(nullptr), 0);
    EXPECT_EQ(FileNameOk(""), 1);
    for (const char* bad : {"a/b", "a:b", "a;b", "a,b", "a*b", "a?b", "a\"b", "a<b", "a>b", "a|b", "a\\b"})
        EXPECT_EQ(FileNameOk(bad), 0) << bad;
    EXPECT_EQ(PathCharsOk("C:\\dir\\f.rpo"), 1);
    EXPECT_EQ(PathCharsOk("C:\\d:r"), 0);
    EXPECT_STREQ(PathFileNamePart("C:\\dir\\f.rpo"), "f.rpo");
    EXPECT_STREQ(PathExtensionPart("C:\\dir\\f.rpo"), "rpo");
    EXPECT_STREQ(PathExtensionPart("f.rpo"), "f.rpo") << "no backslash: the whole text";
    EXPECT_EQ(OverlayPathOk("\\\\server\\share\\f.RpO"), 1);
    EXPECT_EQ(OverlayPathOk("C:\\dir\\"), 0);
    EXPECT_EQ(OverlayPathOk("C:\\dir\\rpo"), 0);
}

class StatusPathDbcs : public ExcPrinter {};

TEST_F(StatusPathDbcs, ADoubleByteTrailBackslashIsPartOfItsCharacter) {
    winsim::config().ansiCodePage = 932;
    // 0x95 0x5C is one character in code page 932.
    EXPECT_EQ(FileNameOk("\x95\x5C.csv"), 1);
    EXPECT_EQ(FileNameOk("a\\.csv"), 0);
    winsim::config().ansiCodePage = 1252;
    EXPECT_EQ(FileNameOk("\x95\x5C.csv"), 0) << "in 1252 the backslash stands alone";
}

}  // namespace
}  // namespace vesk::test
