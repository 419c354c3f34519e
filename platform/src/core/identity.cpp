// Who the calling thread is, for the checks that need administrator rights.
#include "sim.h"
#include "security/security_internal.h"

namespace winsim::detail {

bool& threadActsAsSystem() {
    thread_local bool system = false;
    return system;
}

// The thread's impersonation decides when it has one; else the process acts
// as SYSTEM (reverted to the spooler) or as the interactive user.
bool callerIsAdmin() {
    const auto& imp = threadImpersonation();
    Principal who = imp ? imp->who : (threadActsAsSystem() ? Principal::System : Principal::User);
    return who == Principal::System || config().userIsAdmin;
}

}  // namespace winsim::detail
