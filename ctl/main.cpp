// zelctl: removes, lists and finds devices from the command line, for scripts.
#include "zelctl_commands.h"

#if ZEL_SIM_MACHINE
#include <zel/sim/machine.h>

#include <cstring>
#include <string>
#include <utility>
#endif

#include <cstdio>

int main(int argc, char** argv) {
    int first = 1;
#if ZEL_SIM_MACHINE
    // The simulated PC to run on, ahead of the command.
    if (argc > 2 && std::strcmp(argv[1], "--machine") == 0) {
        std::string error;
        auto machine = zel::sim::loadMachineFile(argv[2], error);
        if (!machine) {
            std::fprintf(stderr, "zelctl: %s\n", error.c_str());
            return zel::ctl::kExitUsage;
        }
        zel::sim::install(std::move(*machine));
        first = 3;
    }
#endif
    const int status = zel::ctl::run(argc - first, argv + first, stdout, stderr);
    std::fflush(stdout);
    return status;
}
