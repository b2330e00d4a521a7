#pragma once
#include <string>

#include <QStringList>

// The simulated bus that --simulate offers when no models are named.
constexpr const char* default_simulated_cards = "ZEIO,KOVA-H,KOVA-16IO,KOVA-AD";

struct app_options {
    bool simulate = false;
    std::string simulated_cards; // the models of the simulated bus, comma-separated
    std::string screenshots;     // a folder for a picture of each page, then exit; empty: none
    bool help = false;
    bool ad_clock = false; // show 修改AD时钟 on the AD test page
};

// Reads the arguments after the program name. False with error for an unknown one.
bool parse_app_options(const QStringList& arguments, app_options& options, QString& error);

extern const char* const app_usage;
