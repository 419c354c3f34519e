// The stand-ins of pending_capabilities.h, in its order: each answers
// "not done" until its capability is built.
#include "core/pending_capabilities.h"

namespace vesk {

// No function waits for a capability now.

}  // namespace vesk
