// Runs a test body in a forked child process, so a test can act as a
// second process against the same emulated machine.
#pragma once

#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

namespace forktest {

// Runs `body` in a forked child; true when the child ended with status 0.
template <class Body>
bool inChild(Body body) {
    pid_t child = fork();
    if (child < 0) return false;
    if (child == 0) _exit(body() ? 0 : 1);
    int status = 0;
    return waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace forktest
