#include "app/app_settings.h"

#include <QSettings>

namespace {

constexpr const char* organisation = "DV_TqrApp";
constexpr const char* application = "KestIO_Test";
constexpr const char* net_index_key = "config/net_index";
constexpr const char* ad_clock_button_key = "ui/ad_clock_button";

} // namespace

int load_net_index(int adapter_count, int default_index)
{
    QSettings settings(organisation, application);
    bool valid = false;
    int index = settings.value(net_index_key, default_index).toInt(&valid);
    if (!valid || index < 0 || index >= adapter_count)
        return 0;
    return index;
}

void store_net_index(int net_index)
{
    QSettings settings(organisation, application);
    settings.setValue(net_index_key, net_index);
}

bool load_ad_clock_button()
{
    return QSettings(organisation, application).value(ad_clock_button_key, false).toBool();
}
