#include "app/card_model.h"

#include <cstring>

const char* const card_model_names[card_model_count] = {"ZEIO", "KOVA-H", "KOVA-16IO", "KOVA-AD"};

int detect_card_model(const char* text, size_t length)
{
    for (int model = 0; model < card_model_count; ++model) {
        const char* name = card_model_names[model];
        if (length == std::strlen(name) && std::memcmp(text, name, length) == 0)
            return model;
    }
    return no_card_model;
}

namespace {

constexpr const char* io_caption = "IO测试";
constexpr const char* usart_caption = "串口(自定义协议)测试";
constexpr const char* modbus_caption = "串口(Modbus协议)测试";
constexpr const char* ad_caption = "AD稳定性测试";
constexpr const char* settings_caption = "设置";

// Every set names its AD channel count, so that no model keeps the last one's channels.
const page_set startup_set{poll_kind::io,
                           {{io_caption, page_kind::io},
                            {usart_caption, page_kind::usart},
                            {modbus_caption, page_kind::modbus},
                            {ad_caption, page_kind::ad_test},
                            {settings_caption, page_kind::settings}},
                           16};

const page_set model_sets[card_model_count] = {
    // ZEIO
    {poll_kind::io, startup_set.tabs, 2},
    // KOVA-H: the KOVA-H poll serves tabs 0, 1, 2 and 5 by these positions
    {poll_kind::kova_h,
     {{io_caption, page_kind::ioh},
      {usart_caption, page_kind::usart},
      {modbus_caption, page_kind::modbus},
      {ad_caption, page_kind::ad_test},
      {settings_caption, page_kind::settings},
      {"Can", page_kind::can}},
     4},
    // KOVA-16IO
    {poll_kind::kova_16io, {{io_caption, page_kind::io16}, {ad_caption, page_kind::ad_test}}, 2},
    // KOVA-AD
    {poll_kind::io,
     {{io_caption, page_kind::io}, {ad_caption, page_kind::ad_test}, {settings_caption, page_kind::settings}},
     16},
};

} // namespace

const page_set& page_set_for(int model)
{
    if (model < 0 || model >= card_model_count)
        return startup_set;
    return model_sets[model];
}
