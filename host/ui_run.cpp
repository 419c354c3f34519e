#include "ui_run.h"

#include <fstream>
#include <iostream>
#include <sstream>

#include <winsim/ui.h>
#include <winsim/winsim.h>

#include "page_png.h"

namespace vesk::host {

bool ParseUiRun(const std::vector<std::string>& w, UiRun& run, std::string* error) {
    std::string script, scriptFile, png;
    bool dump = false;
    error->clear();
    for (size_t i = 1; i < w.size(); ++i) {
        if (w[i] == "--do" && i + 1 < w.size()) script += w[++i] + "\n";
        else if (w[i] == "--script" && i + 1 < w.size()) scriptFile = w[++i];
        else if (w[i] == "--dump") dump = true;
        else if (w[i] == "--png" && i + 1 < w.size()) png = w[++i];
        else if (w[i].rfind("--", 0) == 0) return false;
        else run.positional.push_back(w[i]);
    }
    if (!scriptFile.empty()) {
        std::ifstream f(scriptFile);
        if (!f) return *error = "cannot read " + scriptFile, false;
        std::stringstream s;
        s << f.rdbuf();
        script = s.str() + "\n" + script;
    }
    auto& steps = run.steps;
    if (!winsim::ui::parseScript(script, steps, error)) return *error = "script: " + *error, false;
    // --dump and --png look at the window after the script's last step.
    const bool ends = !steps.empty() && (steps.back().verb == "ok" || steps.back().verb == "cancel");
    const auto at = ends ? steps.end() - 1 : steps.end();
    std::vector<winsim::ui::Step> last;
    if (dump) last.push_back(winsim::ui::Step{"dump", 0, {}, -1, 0, {}, "--dump"});
    if (!png.empty()) last.push_back(winsim::ui::Step{"png", 0, {}, -1, 0, png, "--png"});
    steps.insert(at, last.begin(), last.end());
    if (steps.empty() || (steps.back().verb != "ok" && steps.back().verb != "cancel"))
        steps.push_back(winsim::ui::Step{"cancel", 0, {}, -1, 0, {}, "(end)"});
    return true;
}

UiSession::UiSession(const std::vector<winsim::ui::Step>& steps) {
    // Script time runs on the virtual clock: `wait` steps take no real time.
    winsim::setVirtualClock(winsim::nowFileTime(), winsim::nowTickCount());
    winsim::ui::setDumpHandler([](const std::string& d) { std::cout << d << std::flush; });
    winsim::ui::setPictureWriter([](const std::string& file, const winsim::ui::Picture& p, std::string* why) {
        decode::Picture rgb;
        rgb.width = uint32_t(p.width);
        rgb.height = uint32_t(p.height);
        rgb.rgb.reserve(p.pixels.size() * 3);
        for (uint32_t c : p.pixels)  // COLORREF: red in the low byte
            rgb.rgb.insert(rgb.rgb.end(), {uint8_t(c), uint8_t(c >> 8), uint8_t(c >> 16)});
        return writePng(file, rgb, why);
    });
    winsim::ui::queueSteps(steps);
    boxesBefore_ = winsim::messageBoxLog().size();
}

bool UiSession::Finish() {
    if (finished_) return ok_;
    finished_ = true;
    // The message boxes the run showed, with the answer each got.
    static const char* const kAnswers[] = {"0", "IDOK", "IDCANCEL", "IDABORT", "IDRETRY", "IDIGNORE", "IDYES", "IDNO"};
    const auto boxes = winsim::messageBoxLog();
    for (size_t i = boxesBefore_; i < boxes.size(); ++i) {
        const int a = boxes[i].answer;
        std::cerr << "message box \"" << winsim::toUtf8(boxes[i].caption) << "\": " << winsim::toUtf8(boxes[i].text)
                  << " -> " << (a >= 0 && a <= 7 ? kAnswers[a] : std::to_string(a).c_str()) << "\n";
    }
    for (const auto& f : winsim::ui::failures()) {
        std::cerr << "vesk: ui: " << f << "\n";
        ok_ = false;
    }
    return ok_;
}

UiSession::~UiSession() {
    Finish();
    winsim::ui::setDumpHandler(nullptr);
    winsim::ui::setPictureWriter(nullptr);
}

}  // namespace vesk::host
