// The answers an image keeps are an optimisation: when there is no memory
// for them, every query must still answer, by walking the image, exactly as
// the kept answers do once they can be made.
#include <gtest/gtest.h>

#include <cstddef>
#include <memory>
#include <new>
#include <vector>

#include "common/sample_printer.h"
#include "core/context.h"
#include "core/context_cache.h"
#include "core/model/image.h"
#include "core/model/query.h"

namespace {
// The number of nothrow allocations of this thread still to fail.
thread_local int failNothrowNew = 0;
}  // namespace

// Every nothrow `new` of this program comes here. Unarmed, it allocates as
// the library's own would (through the throwing form, so that checking
// allocators pair it with the usual delete).
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    if (failNothrowNew > 0) {
        --failNothrowNew;
        return nullptr;
    }
    try {
        return ::operator new(size);
    } catch (...) {
        return nullptr;
    }
}

using namespace vesk;

namespace {

struct ImageFree {
    void operator()(MdlImage* m) const { MdlImageFree(m); }
};

// Runs `query` with the next nothrow allocation failing, and checks that it
// asked for one (the kept answers) and that none were kept.
template <class Query>
void withoutMemory(const MdlImage* image, Query query) {
    failNothrowNew = 1;
    query();
    const int left = failNothrowNew;
    failNothrowNew = 0;
    EXPECT_EQ(left, 0) << "the query made no nothrow allocation";
    EXPECT_EQ(image->kept.load(), nullptr);
}

}  // namespace

TEST(KeptAnswers, WithoutMemoryForThemEveryQueryWalksTheImage) {
    winsim::TempMachine machine;
    HANDLE printer = nullptr;
    ASSERT_TRUE(test::addSamplePrinter(u"NoMemory", &printer));
    CtxCacheClear();
    DrvContext* ctx = CtxCreateEx(printer, printer, nullptr, 0, 0, 0, nullptr);
    ASSERT_NE(ctx, nullptr);
    ASSERT_NE(ctx->model, nullptr);
    std::unique_ptr<MdlImage, ImageFree> img(MdlImageNew(ctx->model->block, ctx->model->size));
    CtxReleaseEx(ctx, kReleaseFree);
    ClosePrinter(printer);
    ASSERT_NE(img, nullptr);
    DrvContext c{};
    c.model = img.get();

    withoutMemory(img.get(), [&] { EXPECT_EQ(MdlKeptOf(img.get()), nullptr); });
    EXPECT_EQ(MdlKeptIfMade(img.get()), nullptr);
    std::vector<MdlListedOption> listed;
    withoutMemory(img.get(), [&] { MdlListedOptions(&c, listed); });
    std::vector<MdlOptionDefault> defaults;
    withoutMemory(img.get(), [&] { MdlListedOptionDefaults(&c, defaults); });
    std::vector<MdlListedAction> actions;
    withoutMemory(img.get(), [&] { MdlListedActions(&c, actions); });
    ASSERT_GT(listed.size(), 20u);
    ASSERT_FALSE(actions.empty());

    // With memory the answers are kept, and they are the walks' answers.
    const MdlImageKept* kept = MdlKeptOf(img.get());
    ASSERT_NE(kept, nullptr);
    EXPECT_EQ(MdlKeptIfMade(img.get()), kept);
    ASSERT_EQ(kept->listed.size(), listed.size());
    for (size_t i = 0; i < listed.size(); ++i) {
        EXPECT_EQ(kept->listed[i].id, listed[i].id) << i;
        EXPECT_EQ(kept->listed[i].option, listed[i].option) << i;
    }
    ASSERT_EQ(kept->defaults.size(), defaults.size());
    for (size_t i = 0; i < defaults.size(); ++i) {
        EXPECT_EQ(kept->defaults[i].id, defaults[i].id) << i;
        EXPECT_EQ(kept->defaults[i].baseType, defaults[i].baseType) << i;
        EXPECT_EQ(kept->defaults[i].value, defaults[i].value) << i;
    }
    ASSERT_EQ(kept->actions.size(), actions.size());
    for (size_t i = 0; i < actions.size(); ++i) {
        EXPECT_EQ(kept->actions[i].id, actions[i].id) << i;
        EXPECT_EQ(kept->actions[i].transact, actions[i].transact) << i;
    }
}
