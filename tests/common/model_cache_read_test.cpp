// Reading a model's cache file into the image block. The block is not
// zero-filled before the read, so every read that fails, or gives fewer or
// other bytes than the file's header promises, must free it, and no byte of
// it may reach the model list without having come from the file.
#include <gtest/gtest.h>

#include <winsim/memory.h>

#include <cstring>
#include <string>

#include "common/model_support.h"
#include "common/services_support.h"
#include "core/model/cache.h"

using namespace vesk;
using namespace vesk::test;

namespace {

const std::u16string kModel = kDriverDir + u"VESKMFP1.VMD";
const std::u16string kCache = kDriverDir + u"VESKMFP1.BCS";

std::vector<uint8_t> bytesOf(const MdlImage* image) {
    return image ? std::vector<uint8_t>(image->block, image->block + image->size) : std::vector<uint8_t>{};
}

class ModelCacheRead : public PrinterMachine {
protected:
    void SetUp() override {
        PrinterMachine::SetUp();
        startClock(1000);
        MdlCacheFreeAll();
        write(kModel, readFile(sampleModel()));
        setTime(kModel, -10);
    }
    void TearDown() override {
        PrinterMachine::TearDown();
        MdlCacheFreeAll();
        winsim::clearFaults();
    }
    // Leaves freed heap blocks of `n` bytes full of a pattern, where the next
    // block of that size is likely to be carved from.
    static void dirtyHeap(size_t n) {
        for (int i = 0; i < 4; ++i) {
            void* p = GlobalAlloc(GPTR, n);
            ASSERT_NE(p, nullptr);
            std::memset(p, 0xA5, n);
            GlobalFree(p);
        }
    }
    // The model MdlCacheGet gives `c` with an empty list, and how many
    // GlobalAlloc calls of the cache file's size it made.
    const MdlImage* openAnew(DrvContext* c, size_t cacheSize, size_t* blockAllocs) {
        MdlCacheFreeAll();
        winsim::journalClear();
        winsim::journalEnable(true);
        const MdlImage* m = MdlCacheGet(c);
        winsim::journalEnable(false);
        *blockAllocs = 0;
        for (const auto& e : winsim::journal())
            *blockAllocs += e.function == "GlobalAlloc" && e.detail == std::to_string(cacheSize);
        return m;
    }
};

}  // namespace

TEST_F(ModelCacheRead, AWholeReadOverUsedMemoryGivesTheCompiledBytes) {
    DrvContext* c = context();
    const MdlImage* compiled = MdlCacheGet(c);
    ASSERT_NE(compiled, nullptr);
    const std::vector<uint8_t> expected = bytesOf(compiled);
    const std::string cache = read(kCache);
    ASSERT_GT(cache.size(), 1000u);
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        dirtyHeap(cache.size());
        size_t blockAllocs = 0;
        const MdlImage* m = openAnew(c, cache.size(), &blockAllocs);
        ASSERT_NE(m, nullptr);
        EXPECT_EQ(blockAllocs, 1u);  // read from the cache file, not compiled
        EXPECT_TRUE(bytesOf(m) == expected);
        EXPECT_TRUE(read(kCache) == cache);
    }
}

TEST_F(ModelCacheRead, AFailedOrMismatchedReadFreesTheBlockAndTheTextIsCompiled) {
    DrvContext* c = context();
    ASSERT_NE(MdlCacheGet(c), nullptr);
    const std::vector<uint8_t> expected = bytesOf(MdlCacheGet(c));
    const std::string cache = read(kCache);

    // Each case runs over freed memory full of the pattern, and the model
    // list ends with the compiled bytes and nothing else left allocated.
    // `arm` sets the case's fault once the heap is dirtied.
    auto check = [&](const char* what, size_t cacheSize, size_t blockAllocsWanted, auto arm) {
        SCOPED_TRACE(what);
        MdlCacheFreeAll();
        const size_t base = winsim::liveGlobalBlocks();
        const size_t baseBytes = winsim::liveGlobalBytes();
        dirtyHeap(cacheSize);
        arm();
        size_t blockAllocs = 0;
        const MdlImage* m = openAnew(c, cacheSize, &blockAllocs);
        winsim::clearFaults();
        ASSERT_NE(m, nullptr);
        EXPECT_EQ(blockAllocs, blockAllocsWanted);
        EXPECT_TRUE(bytesOf(m) == expected);
        MdlCacheFreeAll();
        EXPECT_EQ(winsim::liveGlobalBlocks(), base);
        EXPECT_EQ(winsim::liveGlobalBytes(), baseBytes);
    };

    // The read itself fails: the block was taken, then given back.
    check("read fails", cache.size(), 2, [] { winsim::failCall("ReadFile", 1, ERROR_READ_FAULT); });  // the block read into, then the compile's

    // The file is longer than its header's total: the whole file is read,
    // does not check out, and is freed; the text is compiled instead.
    write(kCache, cache + std::string(64, '\x5A'));
    check("longer than its total", cache.size() + 64, 1, [] {});
    EXPECT_TRUE(read(kCache) == cache);  // written again from the text

    // The block's own allocation fails: the record before it is freed too.
    size_t blockCall = 0;
    {
        MdlCacheFreeAll();
        winsim::journalClear();
        winsim::journalEnable(true);
        ASSERT_NE(MdlCacheGet(c), nullptr);
        winsim::journalEnable(false);
        size_t n = 0;
        for (const auto& e : winsim::journal()) {
            if (e.function != "GlobalAlloc") continue;
            ++n;
            if (e.detail == std::to_string(cache.size())) {
                blockCall = n;
                break;
            }
        }
        ASSERT_NE(blockCall, 0u);
    }
    check("block allocation fails", cache.size(), 2,
          [&] { winsim::failCall("GlobalAlloc", blockCall, ERROR_NOT_ENOUGH_MEMORY); });  // the failed one, then the compile's own
}
