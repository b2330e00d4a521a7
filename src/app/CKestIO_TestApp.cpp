#include "app/CKestIO_TestApp.h"

#include <cstdio>

#include <QCoreApplication>

#include "app/CKestIO_TestDlg.h"
#include "app/message_box.h"
#include "app/screenshot_tour.h"
#include "simulated_adapter/simulated_adapter.h"
#include "ecat/adapter.h"
#include "platform/adapter_helper_client.h"
#include "platform/instance_marker.h"

CKestIO_TestApp::CKestIO_TestApp(app_options options, app_objects& objects)
    : options_(std::move(options)),
      objects_(objects)
{
}

CKestIO_TestApp::~CKestIO_TestApp()
{
    ecat::adapter_unregister_wires();
}

int CKestIO_TestApp::run()
{
    QCoreApplication::setOrganizationName(QStringLiteral("DV_TqrApp"));
    QCoreApplication::setApplicationName(QStringLiteral("KestIO_Test"));

    std::string raw_access_error;
    if (!options_.simulate && !platform::adapter_helper_usable(raw_access_error)) {
        show_message_box(
            nullptr,
            QStringLiteral("没有安装驱动程序！\n%1\n%2")
                .arg(QString::fromStdString(platform::raw_access_hint()), QString::fromStdString(raw_access_error)));
        return 1;
    }

    // a marker that cannot be made is no reason to refuse: run without it
    platform::instance_marker instance(instance_marker_name);
    if (instance.state() == platform::instance_marker::result::already_running) {
        show_message_box(nullptr, QStringLiteral("已有TQR主站在运行！"));
        return 1;
    }

    QString preferred_adapter;
    if (options_.simulate) {
        std::string error;
        simulated_bus_ = simulated::register_simulated_adapter(options_.simulated_cards, error);
        if (!simulated_bus_) {
            show_message_box(nullptr, QStringLiteral("模拟总线：") + QString::fromStdString(error));
            return 2;
        }
        preferred_adapter = QString::fromStdString(simulated::simulated_adapter_name(options_.simulated_cards));
        // without pseudo terminals the cards' serial lines stay on the jig's loop-back
        if (!simulated::put_card_serial_lines_on_ptys(simulated_bus_, error))
            std::fprintf(stderr, "KestIO_Test: %s\n", error.c_str());
    }

    {
        CKestIO_TestDlg window(objects_.master, preferred_adapter);
        if (options_.ad_clock)
            window.show_ad_clock_button(true);
        screenshot_tour* tour = nullptr;
        if (!options_.screenshots.empty())
            tour = new screenshot_tour(window, QString::fromStdString(options_.screenshots));
        window.exec();
        if (tour && !tour->pictures_clean())
            return 1;
    }
    return 0;
}
