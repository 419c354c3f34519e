// The sample model compiled to its stored image and a relocated copy that
// passes the check, for tests that disturb one of them.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "common/model_support.h"
#include "core/model/image.h"

namespace vesk::test {

inline bool validImage(const std::vector<uint8_t>& b) { return MdlValidateImage(MdlImageView(b.data(), b.size())); }

class SampleImageTest : public ::testing::Test {
protected:
    void SetUp() override {
        auto r = parse(readFile(sampleModel()));
        ASSERT_TRUE(r);
        ASSERT_TRUE(MdlSerializeImage(*r, stored));
        image = stored;
        ASSERT_TRUE(MdlRelocateImage(image.data(), image.size()));
        ASSERT_TRUE(validImage(image));
    }
    std::vector<uint8_t> stored, image;
};

}  // namespace vesk::test
