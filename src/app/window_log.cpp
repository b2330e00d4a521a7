#include "app/window_log.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

bool window_log_wanted()
{
    static const bool wanted = [] {
        const char* to = std::getenv("KESTIO_WINDOW_LOG");
        return to && std::strcmp(to, "stderr") == 0;
    }();
    return wanted;
}

void window_log(const QString& line)
{
    if (window_log_wanted())
        std::fprintf(stderr, "KestIO_Test: %s\n", qPrintable(line));
}
