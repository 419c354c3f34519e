// What the host can tell about a printer's model description: whether the
// drivers' reader takes it and, when not, the file and the reader's reasons.
#pragma once
#include <string>

namespace vesk::host {

struct ModelCheck {
    bool readable = false;       // the file could be opened and read
    bool compiles = false;       // its statements make an image
    bool hasPapers = false;      // it gives the driver paper sizes to print on
    unsigned statements = 0;     // statements read
    unsigned skipped = 0;        // statements the reader did not take
    std::string firstReasons;    // "line N: statement 'K': reason" of the first skipped ones
    bool usable() const { return readable && compiles && hasPapers; }
};

// Reads the model description at a Windows path of the machine.
ModelCheck CheckModelDescription(const std::u16string& dataFile);

// Why a printer's model description leaves the driver without a model to
// print with (naming the file and the reader's reasons), or "" when the
// description reads, compiles and has paper sizes.
std::string ModelDescriptionProblem(const std::u16string& printer);

}  // namespace vesk::host
