// What the `vesk ui` commands share: their options (--do, --script, --dump,
// --png), the UI script they queue and where its dumps and pictures go.
#pragma once
#include <winsim/window.h>

#include <string>
#include <vector>

#include "commands.h"

namespace vesk::host {

struct UiRun {
    std::vector<std::string> positional;
    std::vector<winsim::ui::Step> steps;
};

// Parses the words after the subcommand: false with a message in *error
// (empty for a usage error). The steps end with ok or cancel (cancel when
// the script gives neither), --dump and --png placed before that end.
bool ParseUiRun(const std::vector<std::string>& words, UiRun& run, std::string* error);

// Queues the steps on the virtual clock with dumps to stdout and pictures
// as PNG files; the destructor prints the run's failures and takes the
// handlers away.
class UiSession {
public:
    explicit UiSession(const std::vector<winsim::ui::Step>& steps);
    ~UiSession();
    UiSession(const UiSession&) = delete;
    UiSession& operator=(const UiSession&) = delete;
    // True when no step failed (the failures are printed to stderr once).
    bool Finish();

private:
    bool finished_ = false;
    bool ok_ = true;
    size_t boxesBefore_ = 0;  // message boxes shown before the run
};

}  // namespace vesk::host
