#include "app/app_options.h"

const char* const app_usage = "usage: KestIO_Test [--simulate[=MODELS]] [--ad-clock] [--screenshots=DIR]\n"
                              "  --simulate[=MODELS]  offer an in-process simulated bus as an adapter;\n"
                              "                       MODELS is a comma-separated list of card models\n"
                              "                       (default: ZEIO,KOVA-H,KOVA-16IO,KOVA-AD) and of\n"
                              "                       firmware=PATH.so,sii=PATH.bin[,name=NAME] slaves\n"
                              "                       (see kestio-sim --help)\n"
                              "  --ad-clock           show the AD clock button on the AD test page\n"
                              "  --screenshots=DIR    search, show one page of each kind, save a picture\n"
                              "                       of the window with each into DIR, and exit\n";

bool parse_app_options(const QStringList& arguments, app_options& options, QString& error)
{
    const QString simulate_with = QStringLiteral("--simulate=");
    const QString screenshots_into = QStringLiteral("--screenshots=");
    for (const QString& argument : arguments) {
        if (argument == QLatin1String("--simulate")) {
            options.simulate = true;
            options.simulated_cards = default_simulated_cards;
        } else if (argument.startsWith(simulate_with)) {
            options.simulate = true;
            QString models = argument.mid(simulate_with.size()).trimmed();
            options.simulated_cards = models.isEmpty() ? default_simulated_cards : models.toStdString();
        } else if (argument == QLatin1String("--ad-clock")) {
            options.ad_clock = true;
        } else if (argument.startsWith(screenshots_into) && argument.size() > screenshots_into.size()) {
            options.screenshots = argument.mid(screenshots_into.size()).toStdString();
        } else if (argument == QLatin1String("--help") || argument == QLatin1String("-h")) {
            options.help = true;
        } else {
            error = QStringLiteral("unknown argument '%1'").arg(argument);
            return false;
        }
    }
    return true;
}
