#pragma once

// Processes the window tests start: servers and the viewer itself.

#include <sys/prctl.h>
#include <signal.h>
#include <unistd.h>

namespace oxv::test {

// fork(), with the child ended when the test process dies: a test that
// crashes must not leave a server or a viewer behind, holding the test
// runner's output open.
inline pid_t ForkEndingWithTheTest()
{
    const pid_t pid = ::fork();
    if (pid == 0) ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    return pid;
}

}  // namespace oxv::test
