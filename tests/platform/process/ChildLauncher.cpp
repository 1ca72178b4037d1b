// Test helper: starts a child through ChildProcess and ends without the
// runtime's shutdown.
//   child_launcher MODE PIDFILE PROGRAM [ARGUMENT...]
// starts PROGRAM with PROGRAM as its argv[0], writes the child's pid to
// PIDFILE, then "exit": calls exit(1) at once, as Qt does when its X
// display goes away; "wait": waits to be killed.
#include "concurrency/RunLoop.h"
#include "platform/process/ChildProcess.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

int main(int argc, char** argv) {
    if (argc < 4)
        return 2;
    const std::string mode = argv[1];
    const std::filesystem::path pidFile = argv[2];
    lumra::RunLoop loop;
    const auto child = lumra::ChildProcess::launch(
        argv[3], std::vector<std::string>(argv + 3, argv + argc), [](lumra::ChildExit) {});
    // Whole or not at all: the test reads it as soon as it exists.
    const std::filesystem::path partial = pidFile.string() + ".partial";
    std::ofstream(partial) << child->pid() << "\n";
    std::filesystem::rename(partial, pidFile);
    if (mode == "exit")
        std::exit(1);
    for (;;)
        ::pause();
}
