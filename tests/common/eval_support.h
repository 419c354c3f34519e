// Helpers of the model query, evaluator and computed-item tests: compiled
// images made from description text (or laid out by hand, cell by cell),
// and a light context with a DEVMODE buffer, an evaluator stack and an
// image attached, as a context of kinds 0 to 3 has them.
#pragma once
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "common/context_support.h"
#include "common/model_support.h"
#include "core/item_store.h"
#include "core/model/eval.h"
#include "core/model/image.h"
#include "core/model/query.h"

namespace vesk::test {

struct ImageFree {
    void operator()(MdlImage* m) const { MdlImageFree(m); }
};
using ImagePtr = std::unique_ptr<MdlImage, ImageFree>;

// The image of a description held in memory, relocated and checked; null
// when it does not compile. `skipped` (optional) receives the statements the
// parse did not take.
inline ImagePtr imageFromText(const std::string& text, std::string* skipped = nullptr) {
    ParsePtr r = parse(text);
    if (!r) return nullptr;
    if (skipped) *skipped = skippedText(*r);
    std::vector<uint8_t> bytes;
    if (!MdlSerializeImage(*r, bytes) || !MdlRelocateImage(bytes.data(), bytes.size()) ||
        !MdlValidateImage(MdlImageView(bytes.data(), bytes.size())))
        return nullptr;
    return ImagePtr(MdlImageNew(bytes.data(), bytes.size()));
}

inline ImagePtr sampleImage() { return imageFromText(readFile(sampleModel())); }

// An image laid out by hand: the header, then programs of raw cells.
class RawImage {
public:
    RawImage() : bytes_(kMdlHeaderSize, 0) {}
    // Appends a program of {kind, value} cells; returns its offset.
    uint32_t program(std::initializer_list<std::pair<uint16_t, uint16_t>> cells) {
        uint32_t at = static_cast<uint32_t>(bytes_.size());
        for (auto [kind, value] : cells) cell(kind, value);
        return at;
    }
    uint32_t here() const { return static_cast<uint32_t>(bytes_.size()); }
    void cell(uint16_t kind, uint16_t value) {
        for (uint16_t v : {kind, value}) {
            bytes_.push_back(static_cast<uint8_t>(v));
            bytes_.push_back(static_cast<uint8_t>(v >> 8));
        }
    }
    ImagePtr build() {
        const uint32_t n = static_cast<uint32_t>(bytes_.size());
        for (int i = 0; i < 4; ++i) bytes_[kMdlImgTotalSize + i] = static_cast<uint8_t>(n >> (8 * i));
        return ImagePtr(MdlImageNew(bytes_.data(), bytes_.size()));
    }

private:
    std::vector<uint8_t> bytes_;
};

// Cells by name.
constexpr uint16_t kOpt = kMdlCellOption, kLit = kMdlCellLiteral, kOp = kMdlCellOperator;
constexpr uint16_t kEq = 1, kNe = 2, kAnd = 3, kOr = 4, kNot = 5, kGt = 6, kLt = 7, kGe = 8, kLe = 9, kEnd = 10;

// A light context with a zeroed DEVMODE, an evaluator stack and `image`
// attached (the image stays the caller's).
inline ContextPtr modelContext(const MdlImage* image) {
    ContextPtr c = contextWithDevmode();
    if (!c || MdlEvalStackAlloc(c.get()) != 1) return nullptr;
    c->model = image;
    return c;
}

// A test on one image and a light context of it: made from description text
// (with no statement skipped) or from the sample model.
class ImageTest : public ::testing::Test {
protected:
    void load(const std::string& text) {
        std::string skipped;
        image_ = imageFromText(text, &skipped);
        ASSERT_TRUE(image_);
        EXPECT_EQ(skipped, "");
        attach();
    }
    void loadSample() {
        image_ = sampleImage();
        ASSERT_TRUE(image_);
        attach();
    }
    void attach() {
        ctx_ = modelContext(image_.get());
        ASSERT_TRUE(ctx_);
        c = ctx_.get();
    }
    winsim::TempMachine machine_;
    ImagePtr image_;
    ContextPtr ctx_;
    DrvContext* c = nullptr;
};

// Dictionary lookups by name for the tests.
inline uint32_t optionOf(DrvContext* c, const char* symbol) { return MdlFindOption(c, itemOf(symbol)); }

}  // namespace vesk::test
