#include "model_check.h"

#include <winsim/spooler.h>
#include <winsim/winsim.h>

#include <vector>

#include "core/model/image.h"
#include "core/model/model.h"

namespace vesk::host {

namespace {

constexpr uint16_t kPaperSizeOption = 8;  // the option the page size comes from
constexpr size_t kReasonsShown = 3;

}  // namespace

ModelCheck CheckModelDescription(const std::u16string& dataFile) {
    ModelCheck c;
    MdlParseResult* r = MdlLoad(dataFile.c_str());
    if (!r) return c;
    c.readable = true;
    c.statements = r->statementsRead;
    c.skipped = static_cast<unsigned>(r->skipped.size());
    for (size_t i = 0; i < r->skipped.size() && i < kReasonsShown; ++i) {
        const MdlSkipped& s = r->skipped[i];
        if (i) c.firstReasons += "; ";
        c.firstReasons += "line " + std::to_string(s.line) + ": statement '" + s.keyword + "': " + s.reason;
    }
    if (r->skipped.size() > kReasonsShown)
        c.firstReasons += "; and " + std::to_string(r->skipped.size() - kReasonsShown) + " more";
    std::vector<uint8_t> image;
    c.compiles = MdlSerializeImage(*r, image);
    c.hasPapers = MdlFindOptionById(*r, kPaperSizeOption) != nullptr;
    MdlFree(r);
    return c;
}

std::string ModelDescriptionProblem(const std::u16string& printer) {
    auto p = winsim::findPrinter(printer);
    if (!p) return "";
    auto d = winsim::findDriver(p->driver);
    if (!d || d->dataFile.empty()) return "";
    const std::string file = winsim::toUtf8(d->dataFile);
    const ModelCheck c = CheckModelDescription(d->dataFile);
    const std::string reasons = c.firstReasons.empty() ? "" : " (" + c.firstReasons + ")";
    if (!c.readable) return "the model description " + file + " cannot be read";
    if (!c.compiles) return "the model description " + file + " cannot be compiled" + reasons;
    if (!c.hasPapers) return "the model description " + file + " gives no paper sizes" + reasons;
    return "";
}

}  // namespace vesk::host
