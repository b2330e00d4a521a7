#include <iostream>

#include "cli/cli.h"
#include "platform/capabilities.h"

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    // a run on a network interface gives up its capabilities once the adapter is open
    std::string error;
    if (!cli::opens_network_adapter(args) && !platform::drop_all_capabilities(error)) {
        std::cerr << "kestio-cli: " << error << "\n";
        return 1;
    }
    return cli::run(args, std::cout, std::cerr);
}
