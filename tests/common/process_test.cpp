#include <gtest/gtest.h>

#include "core/process.h"
#include "core/library_identity.h"

TEST(Process, AttachKeepsTheModuleHandleUntilDetach) {
    auto h = reinterpret_cast<HINSTANCE>(0x1000);
    EXPECT_TRUE(vesk::processAttach(h));
    EXPECT_EQ(vesk::moduleHandle(), h);
    vesk::processDetach();
    EXPECT_EQ(vesk::moduleHandle(), nullptr);
    EXPECT_EQ(vesk::kLibraryIdentity.id, vesk::LibraryId::Test);
}
