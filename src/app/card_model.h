#pragma once
#include <cstddef>
#include <vector>

// The card models the tool recognises by the hardware version text, in table order.
constexpr int card_model_count = 4;
constexpr int no_card_model = -1; // the start-up set, before any model is recognised
extern const char* const card_model_names[card_model_count];

// The model whose name is exactly text (same length, same bytes, case-sensitive), or
// no_card_model.
int detect_card_model(const char* text, size_t length);

enum class page_kind { io, io16, ioh, usart, modbus, settings, ad_test, can };
enum class poll_kind { io, kova_h, kova_16io };

struct tab_entry {
    const char* caption;
    page_kind page;
};

// What a model shows: its poll procedure, its tabs in order, and the channel count the
// AD test page gets.
struct page_set {
    poll_kind poll;
    std::vector<tab_entry> tabs;
    int ad_channels;
};

// The page set of a model, or of the start-up (no_card_model).
const page_set& page_set_for(int model);
