// libFuzzer target of the model-description reader and the expression
// compiler. The first byte of an input chooses what the rest is:
//   bit 0 clear: a whole model description, read statement by statement;
//   bit 0 set:   an expression, compiled against a few rules read first, and
//                the same bytes taken as cells for the program check.
// Bit 1 reads the text in code page 932 (double-byte lead bytes) instead of
// 1252.
#include <winsim/winsim.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "core/model/model.h"

using namespace vesk;

namespace {

const char kPrelude[] =
    "*OpenUI *VPD_dmCopies: Numeric\n*NumericValue: 0 \"3 1 1 999 0 1\"\n*CloseUI\n"
    "*Judge 1=One: { VPD_dmCopies == 1 }\n"
    "*Judge 2=Two: { ((One) || (VPD_dmCopies == 2)) }\n"
    "*Judge 3=Both: { ((One) && (Two)) }\n";

winsim::TempMachine* gMachine = nullptr;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    gMachine = new winsim::TempMachine;
    std::atexit([] { delete gMachine; });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    uint8_t mode = data[0];
    winsim::config().ansiCodePage = (mode & 2) ? 932 : 1252;
    // The reader gets its own copy of exactly the input's bytes, so reading
    // one byte past them is caught.
    std::vector<uint8_t> body(data + 1, data + size);
    if (!(mode & 1)) {
        MdlParseResult* r = MdlParseText(body.data(), body.size());
        if (r) {
            for (const MdlJudge& j : r->judges)
                if (MdlCheckProgram(j.program.data(), j.program.size()) != 1) __builtin_trap();
            for (const MdlOption& o : r->options) (void)MdlGetValueInTables(*r, o);
        }
        MdlFree(r);
        return 0;
    }
    static MdlParseResult* rules = MdlParseText(reinterpret_cast<const BYTE*>(kPrelude), sizeof kPrelude - 1);
    if (!rules) return 0;
    std::unique_ptr<char[]> text(new char[body.size()]);
    if (!body.empty()) std::memcpy(text.get(), body.data(), body.size());
    MdlExprCursor c{text.get(), text.get() + body.size(), nullptr};
    std::vector<MdlCondCell> program;
    if (MdlCompileExpression(*rules, c, program)) {
        if (program.empty() || !(program.back() == MdlCondCell{3, 10})) __builtin_trap();
        (void)MdlCheckProgram(program.data(), program.size());
    }
    std::vector<MdlCondCell> cells(body.size() / 4);
    for (size_t i = 0; i < cells.size(); ++i) {
        cells[i].kind = static_cast<uint16_t>(body[4 * i] | body[4 * i + 1] << 8);
        cells[i].value = static_cast<uint16_t>(body[4 * i + 2] | body[4 * i + 3] << 8);
    }
    (void)MdlCheckProgram(cells.data(), cells.size());
    return 0;
}
