// A model opened from its cache file, then the file changed under it: cut
// short, links broken in ways the check must catch, or rewritten by another
// process. Each new request reads the file as it is now; what it refuses is
// rebuilt from the text, and what the process already listed stays.
#include <gtest/gtest.h>

#include "common/model_support.h"
#include "common/services_support.h"
#include "core/model/cache.h"
#include "platform/fork_child.h"

using namespace vesk;
using namespace vesk::test;

namespace {

const std::u16string kModel = kDriverDir + u"VESKMFP1.VMD";
const std::u16string kCache = kDriverDir + u"VESKMFP1.BCS";


class CacheReopen : public PrinterMachine {
protected:
    void SetUp() override {
        PrinterMachine::SetUp();
        startClock(1000);
        MdlCacheFreeAll();
        write(kModel, readFile(sampleModel()));
        setTime(kModel, -10);
        // The first request compiles and writes the cache; the second, as
        // a new process, opens it.
        ASSERT_NE(get(), nullptr);
        good = read(kCache);
        ASSERT_GT(good.size(), kMdlHeaderSize);
        const MdlImage* opened = getAnew();
        ASSERT_NE(opened, nullptr);
        relocated.assign(opened->block, opened->block + opened->size);
    }
    void TearDown() override {
        PrinterMachine::TearDown();
        MdlCacheFreeAll();
    }
    const MdlImage* get() {
        DrvContext* c = context(0, 4);
        return c ? MdlCacheGet(c) : nullptr;
    }
    const MdlImage* getAnew() {
        MdlCacheFreeAll();
        return get();
    }
    // A cache put in place of the good one, newer than the text: the new
    // request must refuse it, get the model compiled and the cache back.
    void expectRefusedAndRebuilt(const std::string& bad) {
        write(kCache, bad);
        setTime(kCache, 0);
        const MdlImage* m = getAnew();
        ASSERT_NE(m, nullptr);
        EXPECT_TRUE(std::vector<uint8_t>(m->block, m->block + m->size) == relocated);
        EXPECT_TRUE(read(kCache) == good);
    }
    std::string good;
    std::vector<uint8_t> relocated;
};

}  // namespace

TEST_F(CacheReopen, ACacheCutShortAfterAGoodOpenIsRefusedAndRebuilt) {
    for (size_t keep : {good.size() - 1, good.size() / 2, size_t{kMdlHeaderSize} + 1}) {
        SCOPED_TRACE(keep);
        std::string cut = good.substr(0, keep);
        put32(cut, kMdlImgTotalSize, static_cast<uint32_t>(cut.size()));  // the size agrees with itself
        expectRefusedAndRebuilt(cut);
    }
}

TEST_F(CacheReopen, ACacheWithBrokenLinksAfterAGoodOpenIsRefusedAndRebuilt) {
    const uint32_t size = static_cast<uint32_t>(good.size());
    const uint32_t option = get32(good, MdlSlotOffset(0)), row = get32(good, MdlSlotOffset(kMdlSlotExclusive));
    ASSERT_NE(option, 0u);
    ASSERT_NE(row, 0u);
    struct Break {
        uint32_t at, value;
    };
    for (Break b : {Break{option + kMdlOptValues, size - 2},                // a record past the end
                    Break{option + kMdlOptCommands, 44},                    // into the header
                    Break{option + kMdlOptNext, option},                    // the option list loops
                    Break{option + kMdlOptRule, option + 1},                // an odd offset
                    Break{row + kMdlRuleValues, MdlTag(size - 8)},          // a rule record past the end
                    Break{row + kMdlRuleCond1, MdlTag(size - 2)}}) {        // a program past the end
        SCOPED_TRACE(b.at);
        std::string bad = good;
        put32(bad, b.at, b.value);
        expectRefusedAndRebuilt(bad);
    }
}

// The listed model is the process's own: a cache broken on disk changes
// nothing for it, and only the next new process rebuilds.
TEST_F(CacheReopen, TheListedModelOutlivesABrokenCache) {
    const MdlImage* listed = get();
    ASSERT_NE(listed, nullptr);
    write(kCache, good.substr(0, good.size() / 2));
    setTime(kCache, 0);
    EXPECT_EQ(get(), listed);
    EXPECT_TRUE(std::vector<uint8_t>(listed->block, listed->block + listed->size) == relocated);
}

// Another process rewrites the cache between two opens of this one: once
// with a broken image of the right size, once with a good image of another
// text. Each open reads the bytes as the other process left them.
TEST_F(CacheReopen, ACacheRewrittenByAnotherProcessBetweenTwoOpensIsSeen) {
    std::string broken = good;
    put32(broken, get32(good, MdlSlotOffset(0)) + kMdlOptNext, get32(good, MdlSlotOffset(0)));
    ASSERT_TRUE(forktest::inChild([&] {
        return MdlCacheWriteFile(reinterpret_cast<const uint8_t*>(broken.data()), broken.size(), kModel.c_str()) == 1;
    }));
    ASSERT_TRUE(read(kCache) == broken);
    setTime(kCache, 0);
    const MdlImage* rebuilt = getAnew();
    ASSERT_NE(rebuilt, nullptr);
    EXPECT_TRUE(std::vector<uint8_t>(rebuilt->block, rebuilt->block + rebuilt->size) == relocated);
    EXPECT_TRUE(read(kCache) == good);

    std::string text = readFile(sampleModel());
    const size_t d = text.find("\"VESKR1us.DLL\"");
    ASSERT_NE(d, std::string::npos);
    text.replace(d, 14, "\"CHILD1.DLL\"");
    ParsePtr r = parse(text);
    std::vector<uint8_t> other;
    ASSERT_TRUE(r && MdlSerializeImage(*r, other));
    ASSERT_TRUE(forktest::inChild([&] { return MdlCacheWriteFile(other.data(), other.size(), kModel.c_str()) == 1; }));
    setTime(kCache, 0);
    const MdlImage* seen = getAnew();
    ASSERT_NE(seen, nullptr);
    uint32_t at = 0;
    std::u16string dll;
    ASSERT_TRUE(seen->view().slot(kMdlSlotResourceDll, &at) && at && seen->view().wstr(at, &dll));
    EXPECT_EQ(dll, u"CHILD1.DLL");
}
