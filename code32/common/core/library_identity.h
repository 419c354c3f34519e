// The identity of the binary that carries the common library: what
// distinguishes the three deliverables (and the test and host programs) inside
// the common code they all carry. Each binary defines kLibraryIdentity once.
#pragma once
#include <win/types.h>

namespace vesk {

enum class LibraryId : int { Test = 0, Ui = 1, Gr = 2, Exc = 3 };

struct LibraryIdentity {
    LibraryId id;
    const char* name;       // "veskui", "veskgr", "veskexc"
    bool hasUserInterface;  // shows messages and loads resource libraries
};

extern const LibraryIdentity kLibraryIdentity;

}  // namespace vesk
