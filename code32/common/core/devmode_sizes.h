// Sizes of the driver's DEVMODE buffer by operating-system family, and the
// section bases this driver writes into the private header.
#pragma once
#include <win/types.h>

namespace vesk {

struct DmSizes {
    uint32_t publicSize;    // public DEVMODEW
    uint32_t privateSize;   // private part (dmDriverExtra)
    uint32_t totalSize;     // the DEVMODE the spooler sees (section 1)
    uint32_t stateSize;     // the whole buffer of three sections
    uint32_t section2Size;  // 508 in both families
};

constexpr DmSizes kDmSizesNt{220, 1040, 1260, 3808, 508};
constexpr DmSizes kDmSizes9x{148, 1048, 1196, 3744, 508};

inline const DmSizes& dmSizesFor(bool win9x) { return win9x ? kDmSizes9x : kDmSizesNt; }

// Section bases within the buffer: section 1 at 0, section 2 after the
// spooler's DEVMODE, section 3 after section 2.
inline uint32_t dmSectionBase(const DmSizes& s, uint32_t section) {
    switch (section) {
    case 1: return 0;
    case 2: return s.totalSize;
    case 3: return s.totalSize + s.section2Size;
    default: return 0;
    }
}
inline uint32_t dmSectionSize(const DmSizes& s, uint32_t section) {
    switch (section) {
    case 1: return s.totalSize;
    case 2: return s.section2Size;
    case 3: return s.stateSize - s.totalSize - s.section2Size;
    default: return 0;
    }
}

// Byte offsets of the private header in a Windows NT DEVMODE.
constexpr uint32_t kDmOffSectionBase1 = 361;
constexpr uint32_t kDmOffSectionBase2 = 363;
constexpr uint32_t kDmOffSectionBase3 = 365;

}  // namespace vesk

namespace vesk {
// The sizes of the running system's family. This build serves the Windows NT
// family; the 9x sizes are kept for the size answers that name them.
inline const DmSizes& dmSizes() { return kDmSizesNt; }
}  // namespace vesk
