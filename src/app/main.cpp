#include <cstdio>

#include <QApplication>

#include "app/CKestIO_TestApp.h"

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    app_options options;
    QString error;
    if (!parse_app_options(application.arguments().mid(1), options, error)) {
        std::fprintf(stderr, "%s\n%s", qPrintable(error), app_usage);
        return 2;
    }
    if (options.help) {
        std::fputs(app_usage, stdout);
        return 0;
    }
    return CKestIO_TestApp(options).run();
}
