// VESKEXP.EXE of the sample driver set: the install program the sample
// model's section "Expand File" names. It notes in VESKEXP.log of its
// current directory that it ran, and where, then ends.
#include <cstdlib>
#include <fstream>

int main() {
    const char* program = std::getenv("VESK_PROGRAM");
    const char* dir = std::getenv("VESK_CURRENT_DIRECTORY");
    std::ofstream log("VESKEXP.log", std::ios::app);
    log << (program ? program : "VESKEXP.EXE") << " ran in " << (dir ? dir : ".") << "\n";
    return log ? 0 : 1;
}
