// The main window's plain logic: model recognition, page sets, identity and list texts,
// numbers from edit fields, options and the stored adapter index.
#include <cstring>

#include <QSettings>

#include <gtest/gtest.h>

#include "app/app_options.h"
#include "app/app_settings.h"
#include "app/card_model.h"
#include "app/identity_read.h"
#include "app/response_wait.h"
#include "ecat/slave_info.h"

namespace {

int detect(const char* text)
{
    return detect_card_model(text, std::strlen(text));
}

TEST(card_model, only_the_exact_name_is_recognised)
{
    EXPECT_EQ(detect("ZEIO"), 0);
    EXPECT_EQ(detect("KOVA-H"), 1);
    EXPECT_EQ(detect("KOVA-16IO"), 2);
    EXPECT_EQ(detect("KOVA-AD"), 3);
    for (const char* other : {"KOVA-H ", "kova-h", "KOVA", "KOVA-16", "ZEIO2", " ZEIO", ""})
        EXPECT_EQ(detect(other), no_card_model) << other;
    // the length decides, not a terminating zero inside the text
    EXPECT_EQ(detect_card_model("ZEIO\0", 5), no_card_model);
    EXPECT_EQ(detect_card_model("ZEIOXYZ", 4), 0);
}

std::vector<page_kind> pages_of(int model)
{
    std::vector<page_kind> pages;
    for (const tab_entry& tab : page_set_for(model).tabs)
        pages.push_back(tab.page);
    return pages;
}

TEST(card_model, each_model_has_its_tabs_poll_and_channel_count)
{
    using enum page_kind;
    const page_set& startup = page_set_for(no_card_model);
    EXPECT_EQ(pages_of(no_card_model), (std::vector{io, usart, modbus, ad_test, settings}));
    EXPECT_STREQ(startup.tabs[1].caption, "串口(自定义协议)测试");
    EXPECT_EQ(startup.ad_channels, 16);
    EXPECT_EQ(pages_of(0), pages_of(no_card_model));
    EXPECT_EQ(page_set_for(0).ad_channels, 2);
    EXPECT_EQ(pages_of(1), (std::vector{ioh, usart, modbus, ad_test, settings, can}));
    EXPECT_STREQ(page_set_for(1).tabs[5].caption, "Can");
    EXPECT_EQ(page_set_for(1).poll, poll_kind::kova_h);
    EXPECT_EQ(page_set_for(1).ad_channels, 4);
    EXPECT_EQ(pages_of(2), (std::vector{io16, ad_test}));
    EXPECT_EQ(page_set_for(2).poll, poll_kind::kova_16io);
    EXPECT_EQ(page_set_for(2).ad_channels, 2);
    EXPECT_EQ(pages_of(3), (std::vector{io, ad_test, settings}));
    EXPECT_EQ(page_set_for(3).poll, poll_kind::io);
    EXPECT_EQ(page_set_for(3).ad_channels, 16);
}

TEST(identity_texts, date_serial_and_slave_list_items)
{
    const uint8_t date[4] = {0x07, 0x11, 0x23, 0x20};
    EXPECT_EQ(format_identity_date(date), "2023.11.07");
    EXPECT_EQ(format_serial_number(0xA, 0xFFFFFFFF), "0000000AFFFFFFFF");

    ecat::slave_info info;
    info.vendor_id = 0x4B49;
    info.product_code = 0xA0001;
    EXPECT_EQ(slave_list_item(3, info).toStdString(), "(3) Slave (VID:00004B49, PID:000A0001)");
    std::strcpy(info.name, "ZEIO");
    EXPECT_EQ(slave_list_item(0, info).toStdString(), "(0) ZEIO(VID:00004B49, PID:000A0001)");
    // a name that fills all 64 characters has no terminating zero
    std::memset(info.name, 'N', sizeof info.name);
    EXPECT_EQ(slave_list_item(1, info).toStdString(), "(1) " + std::string(64, 'N') + "(VID:00004B49, PID:000A0001)");
}

TEST(app_options, simulate_takes_an_optional_model_list)
{
    app_options options;
    QString error;
    ASSERT_TRUE(parse_app_options({}, options, error));
    EXPECT_FALSE(options.simulate);

    ASSERT_TRUE(parse_app_options({"--simulate"}, options, error));
    EXPECT_TRUE(options.simulate);
    EXPECT_EQ(options.simulated_cards, "ZEIO,KOVA-H,KOVA-16IO,KOVA-AD");

    app_options named;
    ASSERT_TRUE(parse_app_options({"--simulate=generic*3"}, named, error));
    EXPECT_EQ(named.simulated_cards, "generic*3");

    app_options empty;
    ASSERT_TRUE(parse_app_options({"--simulate="}, empty, error));
    EXPECT_EQ(empty.simulated_cards, default_simulated_cards);

    app_options clock;
    EXPECT_FALSE(clock.ad_clock);
    ASSERT_TRUE(parse_app_options({"--ad-clock", "--simulate"}, clock, error));
    EXPECT_TRUE(clock.ad_clock);
    EXPECT_TRUE(clock.simulate);

    app_options wrong;
    EXPECT_FALSE(parse_app_options({"--simulated"}, wrong, error));
    EXPECT_TRUE(error.contains("--simulated"));

    app_options pictures;
    ASSERT_TRUE(parse_app_options({"--simulate", "--screenshots=docs/shots"}, pictures, error));
    EXPECT_EQ(pictures.screenshots, "docs/shots");
    EXPECT_FALSE(parse_app_options({"--screenshots="}, wrong, error));
}

TEST(response_wait, only_whole_numbers_from_0_to_1000_ms_are_taken)
{
    EXPECT_EQ(response_wait_from_text(u"10"), 10);
    EXPECT_EQ(response_wait_from_text(u"0"), 0);
    EXPECT_EQ(response_wait_from_text(u"1000"), 1000);
    // what the integer rule would read as 0, silently
    for (const char16_t* refused : {u"", u"99999999999999", u"1001", u"-1", u"abc", u"1.5"})
        EXPECT_EQ(response_wait_from_text(refused), std::nullopt) << std::u16string_view(refused).size();
}

TEST(app_settings, the_adapter_index_is_kept_and_an_out_of_range_one_becomes_0)
{
    QSettings("DV_TqrApp", "KestIO_Test").clear();
    EXPECT_EQ(load_net_index(3, 2), 2); // nothing stored: the preferred one
    store_net_index(1);
    EXPECT_EQ(QSettings("DV_TqrApp", "KestIO_Test").value("config/net_index").toInt(), 1);
    EXPECT_EQ(load_net_index(3, 2), 1);
    store_net_index(7);
    EXPECT_EQ(load_net_index(3, 2), 0);
    store_net_index(-1);
    EXPECT_EQ(load_net_index(3, 2), 0);
    QSettings("DV_TqrApp", "KestIO_Test").setValue("config/net_index", "eth0");
    EXPECT_EQ(load_net_index(3, 2), 0);
}

TEST(app_settings, the_ad_clock_button_is_hidden_unless_the_setting_asks_for_it)
{
    QSettings("DV_TqrApp", "KestIO_Test").clear();
    EXPECT_FALSE(load_ad_clock_button());
    QSettings("DV_TqrApp", "KestIO_Test").setValue("ui/ad_clock_button", true);
    EXPECT_TRUE(load_ad_clock_button());
    QSettings("DV_TqrApp", "KestIO_Test").setValue("ui/ad_clock_button", "false");
    EXPECT_FALSE(load_ad_clock_button());
}

} // namespace
