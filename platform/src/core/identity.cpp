// Who the calling thread is, for the checks that need administrator rights.
#include "sim.h"

namespace winsim::detail {

bool& threadActsAsSystem() {
    thread_local bool system = false;
    return system;
}

bool callerIsAdmin() { return threadActsAsSystem() || config().userIsAdmin; }

}  // namespace winsim::detail
