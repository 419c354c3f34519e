// The library's default DEVMODE: what it keeps of the printer's own.
#include <gtest/gtest.h>

#include <winsim/spooler.h>

#include <string>
#include <vector>

#include "common_calls/devmode_forms.h"
#include "core/devmode/dm_defaults.h"
#include "core/devmode/dm_layout.h"
#include "core/devmode_sizes.h"
#include "core/item_ids.h"
#include "core/item_store.h"
#include "core/library_profile.h"
#include "core/sysdeps.h"
#include "exc/exc_support.h"

namespace vesk::test {
namespace {

class ExcDefaultDevmode : public ExcPrinter {
protected:
    // The printer's default DEVMODE made from a context's buffer with 905
    // "9.99" and 7 copies: `bytes` long, its private part reaching to the end.
    void storeDefault(DrvContext* c, uint32_t bytes) {
        setText(c, kItWdmDriverVersion, u"9.99");
        ItemSetRawById(c, kItDmCopies, 7);
        std::vector<uint8_t> dm(c->devmode, c->devmode + bytes);
        dm::wr16(dm.data(), dm::kOffDriverExtra, bytes - kDmSizesNt.publicSize);
        ASSERT_EQ(winsim::setPrinterDevmode(name_, dm), static_cast<DWORD>(ERROR_SUCCESS));
    }
    // Option 905 and item 12 of a built buffer.
    static std::pair<std::u16string, uint32_t> seen(DrvContext* c, BYTE* buf) {
        BYTE* kept = c->devmode;
        c->devmode = buf;
        auto r = std::make_pair(text(c, kItWdmDriverVersion), ItemRawById(c, kItDmCopies));
        c->devmode = kept;
        MemFree(buf);
        return r;
    }
};

TEST_F(ExcDefaultDevmode, AWholeDefaultKeepsItsDriverVersionTextWhereTheInterfaceLibraryRewritesIt) {
    DrvContext* c = context(0, 0);
    ASSERT_NE(c, nullptr);
    const std::u16string own = c->desc->driverVersionText;
    ASSERT_NE(own, u"9.99");
    storeDefault(c, kDmSizesNt.stateSize);
    EXPECT_EQ(seen(c, DmCreateDefaultExc(c, 0)), std::make_pair(std::u16string(u"9.99"), 7u));
    EXPECT_EQ(seen(c, DmCreateDefaultFor(c, 0, ProfileOf(LibraryId::Ui))), std::make_pair(own, 7u));
    // Kind 3 never takes the printer's default.
    EXPECT_EQ(seen(c, DmCreateDefaultExc(c, 3)).first, own);

    // An Exc handle's context is built the same way.
    void* h = ExcGetExclusive("Office [2]");
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(text(handle(h)->ctx, kItWdmDriverVersion), u"9.99");
    ExcFreeExclusive(h);
}

TEST_F(ExcDefaultDevmode, ADefaultWithoutSectionThreeLeavesItToTheDriversDefaults) {
    DrvContext* c = context(0, 0);
    ASSERT_NE(c, nullptr);
    const std::u16string own = c->desc->driverVersionText;
    // The spooler's usual DEVMODE: section 1 is taken, section 3 is the
    // driver's own (never left zeroed).
    storeDefault(c, kDmSizesNt.totalSize);
    BYTE* buf = DmCreateDefaultExc(c, 0);
    ASSERT_NE(buf, nullptr);
    const uint32_t base = dmSectionBase(kDmSizesNt, 3);
    EXPECT_NE(std::vector<uint8_t>(buf + base, buf + kDmSizesNt.stateSize),
              std::vector<uint8_t>(kDmSizesNt.stateSize - base, 0));
    EXPECT_EQ(seen(c, buf), std::make_pair(own, 7u));

    // A public part alone is no default of this driver's.
    storeDefault(c, kDmSizesNt.publicSize);
    EXPECT_EQ(seen(c, DmCreateDefaultExc(c, 0)).first, own);
    EXPECT_EQ(DmCreateDefaultExc(nullptr, 0), nullptr);
}

}  // namespace
}  // namespace vesk::test
