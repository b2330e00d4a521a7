#include "check/results_path.h"

#include <cstdlib>
#include <pwd.h>
#include <unistd.h>

namespace check {

std::string default_results_path()
{
    const char* data_home = std::getenv("XDG_DATA_HOME");
    if (data_home && data_home[0] == '/')
        return std::string(data_home) + "/kestio-test/results.sqlite";
    const char* home = std::getenv("HOME");
    if (!home || !home[0]) {
        const passwd* user = getpwuid(getuid());
        home = user ? user->pw_dir : nullptr;
    }
    if (!home || !home[0])
        return {};
    return std::string(home) + "/.local/share/kestio-test/results.sqlite";
}

} // namespace check
