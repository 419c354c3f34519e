// The stored image compiled from the sample model and from the large model
// made from it stays byte for byte what it was: a reader change must not
// change what the text compiles to. The hashes were taken from the images
// before the reader worked on views of the text; update them only with a
// deliberate change of the sample, the generator or the image layout.
#include <gtest/gtest.h>

#include <cstdio>

#include "common/model_support.h"
#include "core/model/image.h"

using namespace vesk;
using namespace vesk::test;

namespace {

template <typename Bytes>
uint64_t fnv1a(const Bytes& bytes) {
    uint64_t h = 0xcbf29ce484222325ull;
    for (unsigned char b : bytes) {
        h ^= b;
        h *= 0x100000001b3ull;
    }
    return h;
}

struct Golden {
    size_t size;
    uint64_t hash;
    uint32_t statements, skipped;
    uint64_t skippedLog;  // hash of the log of statements not taken
};

void expectImage(const std::filesystem::path& model, const Golden& want) {
    SCOPED_TRACE(model.string());
    std::string text = readFile(model);
    ASSERT_FALSE(text.empty());
    ParsePtr r = parse(text);
    ASSERT_TRUE(r);
    std::vector<uint8_t> stored;
    ASSERT_TRUE(MdlSerializeImage(*r, stored));
    const uint64_t log = fnv1a(skippedText(*r));
    std::printf("image %zu bytes, hash 0x%016llxull, %u statements, %u skipped, log 0x%016llxull\n", stored.size(),
                static_cast<unsigned long long>(fnv1a(stored)), r->statementsRead, r->skippedCount,
                static_cast<unsigned long long>(log));
    EXPECT_EQ(stored.size(), want.size);
    EXPECT_EQ(fnv1a(stored), want.hash);
    EXPECT_EQ(r->statementsRead, want.statements);
    EXPECT_EQ(r->skippedCount, want.skipped);
    EXPECT_EQ(log, want.skippedLog);
}

}  // namespace

TEST(ImageGolden, SampleCompilesToTheSameImage) {
    expectImage(sampleModel(), {17168, 0xb3749f2fd5eaafc3ull, 515, 0, 0xcbf29ce484222325ull});
}

TEST(ImageGolden, LargeModelCompilesToTheSameImage) {
    expectImage(VESK_LARGE_MODEL, {106832, 0x9f0eb31c16e9c9f3ull, 5485, 0, 0xcbf29ce484222325ull});
}
