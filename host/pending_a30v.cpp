// The caps step of vesk api until its own file defines it.
#include <cstdio>

#include "api_session.h"
#include "commands.h"

namespace vesk::host {

__attribute__((weak)) int RunApiCaps(ApiSession&, const std::vector<std::string>&) {
    std::puts("not done");
    return 2;
}

}  // namespace vesk::host
