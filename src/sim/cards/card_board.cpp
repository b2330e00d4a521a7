#include "sim/cards/card_board.h"

#include "protocol/counter.h"

namespace sim::cards {

namespace {

// AD faults address the 24-bit inputs where the card has them, else the 12-bit ones.
card_fault_shape fault_shape(const card_features& f)
{
    unsigned inputs = 0;
    while (inputs < 16 && (f.input_mask >> inputs) & 1)
        ++inputs;
    return {f.outputs, inputs, f.comparators_and_ad24 ? 16 : f.ad12_inputs, f.comparators_and_ad24, f.serial, f.can};
}

} // namespace

card_board::card_board(const card_features& features, const slave_description& description, uint64_t seed)
    : features_(features),
      faults_(fault_shape(features), seed ^ 0xFA017), // a stream of its own: the jig's noise stays as seeded
      io_(features.input_mask, features.da_outputs, features.comparators_and_ad24 ? 2 : 0, faults_),
      analog_(io_, active_, features.wiring, features.ad12_inputs, seed, faults_),
      counters_(features.comparators_and_ad24 ? &active_.encoder_flag : nullptr, features.encoder, features.counter),
      wired_(description)
{
    card_hooks hooks(wired_.objects);
    io_.install(hooks);
    analog_.install(hooks);
    counters_.install(hooks);
    clock_.install(hooks);
    if (features.comparators_and_ad24) {
        latches_ = std::make_unique<comparator_latches>(io_, active_, analog_);
        latches_->install(hooks);
        settings_ = std::make_unique<card_settings>(active_, [this](object_dictionary& d) { restart(d); });
        settings_->install(hooks);
    }
    if (features.pwm) {
        for (int channel = 0; channel < protocol::counter::pwm_count; ++channel)
            accept_wide_writes(hooks, protocol::counter::pwm_duty(channel));
    }
    if (features.serial) {
        serial_ = std::make_unique<serial_port>(faults_);
        serial_->install(hooks);
        usart_ = std::make_unique<usart_mailbox>(*serial_);
        usart_->install(hooks);
        modbus_ = std::make_unique<modbus_master>(*serial_);
        modbus_->install(hooks);
    }
    if (features.can) {
        can_ = std::make_unique<can_mailbox>(faults_);
        can_->install(hooks);
    }
}

void card_board::tick(object_dictionary& dictionary)
{
    ++frames_;
    counters_.tick();
    if (latches_)
        latches_->tick();
    if (usart_) {
        usart_->tick(dictionary);
        modbus_->tick(dictionary, frames_);
    }
}

void card_board::restart(object_dictionary& dictionary)
{
    if (settings_)
        settings_->load_flash(dictionary);
    io_.reset(dictionary);
    counters_.reset(dictionary);
    clock_.reset(dictionary);
    if (latches_)
        latches_->reset(dictionary);
}

} // namespace sim::cards
