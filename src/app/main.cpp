#include <cstdio>
#include <string>

#include <QApplication>

#include "app/CKestIO_TestApp.h"
#include "platform/capabilities.h"

int main(int argc, char** argv)
{
    // before Qt reads its plugin paths and loads plugins: the window never holds a
    // capability and opens adapters through the adapter helper
    std::string error;
    if (!platform::drop_all_capabilities(error)) {
        std::fprintf(stderr, "KestIO_Test: %s\n", error.c_str());
        return 1;
    }
    QApplication application(argc, argv);
    app_options options;
    QString error_text;
    if (!parse_app_options(application.arguments().mid(1), options, error_text)) {
        std::fprintf(stderr, "%s\n%s", qPrintable(error_text), app_usage);
        return 2;
    }
    if (options.help) {
        std::fputs(app_usage, stdout);
        return 0;
    }
    app_objects objects;
    return CKestIO_TestApp(options, objects).run();
}
