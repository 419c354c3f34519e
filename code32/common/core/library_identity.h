// The per-library profile: what distinguishes the three deliverables inside
// the common library they all carry. Each deliverable defines libProfile().
#pragma once
#include <win/types.h>

namespace vesk {

enum class LibraryId : int { Test = 0, Ui = 1, Gr = 2, Exc = 3 };

struct LibProfile {
    LibraryId id;
    const char* name;       // "veskui", "veskgr", "veskexc"
    bool hasUserInterface;  // shows messages and loads resource libraries
};

const LibProfile& libProfile();

}  // namespace vesk
