/* A small EtherCAT slave firmware for kestio-sim, written against kestio_firmware.h only. It is
 * interrupt-driven: every run looks at the AL event request register and serves the events it
 * shows, one at a time, until none is left: AL control (the AL state machine), the mailbox
 * (CoE SDO over a small object dictionary) and the master's repeat requests. */
#include <stdio.h>
#include <stdlib.h>

#include <kestio_firmware.h>

#include "example_mailbox.h"
#include "example_objects.h"

#if !defined(EXAMPLE_OUT_START) || !defined(EXAMPLE_OUT_SIZE) || !defined(EXAMPLE_IN_START) || !defined(EXAMPLE_IN_SIZE)
#error "the build defines the mailbox layout (EXAMPLE_OUT_START ...) that the SII image carries too"
#endif

#define AL_CONTROL 0x0120
#define AL_STATUS 0x0130
#define AL_STATUS_CODE 0x0134
#define SM_BASE 0x0800
#define SM_SIZE 8
#define SM_PDI_CONTROL 7
#define SM_ENABLE 0x01
#define PDI_DEACTIVATE 0x01

#define EVENT_AL_CONTROL 0x0001u
#define EVENT_ACTIVATION 0x0010u
#define EVENT_SM0 0x0100u
#define EVENT_SM1 0x0200u
#define SERVED_EVENTS (EVENT_AL_CONTROL | EVENT_ACTIVATION | EVENT_SM0 | EVENT_SM1)
/* an event that does not clear would keep an interrupt routine busy for good; stop after this */
#define SERVICE_PASSES 8

#define STATE_INIT 0x01
#define STATE_PREOP 0x02
#define STATE_BOOT 0x03
#define STATE_SAFEOP 0x04
#define STATE_OP 0x08
#define STATE_MASK 0x0F
#define ERROR_FLAG 0x10

#define CODE_INVALID_STATE_CHANGE 0x0011
#define CODE_UNKNOWN_STATE 0x0012
#define CODE_BOOTSTRAP_NOT_SUPPORTED 0x0013
#define CODE_INVALID_MAILBOX 0x0016

struct example_slave {
    const kestio_esc_api* esc;
    uint8_t state;
    int error;
    uint16_t code;
    struct example_objects objects;
    struct example_mailbox mailbox;
};

/* INIT, then PREOP or BOOT, SAFEOP, OP */
static int rank(uint8_t state)
{
    return state == STATE_INIT ? 0 : state == STATE_SAFEOP ? 2 : state == STATE_OP ? 3 : 1;
}

static int allowed(uint8_t from, uint8_t to)
{
    switch (from) {
    case STATE_INIT: return to == STATE_PREOP || to == STATE_BOOT;
    case STATE_PREOP: return to == STATE_INIT || to == STATE_SAFEOP;
    case STATE_SAFEOP: return to == STATE_INIT || to == STATE_PREOP || to == STATE_OP;
    case STATE_OP: return to == STATE_INIT || to == STATE_PREOP || to == STATE_SAFEOP;
    default: return to == STATE_INIT;
    }
}

/* Does sync manager n hold the mailbox the SII describes: start, length, mode, enabled? */
static int mailbox_sync_manager(const kestio_esc_api* esc, unsigned n, unsigned start, unsigned length, unsigned mode)
{
    uint8_t sm[SM_SIZE];
    if (!esc->read(esc, (uint16_t)(SM_BASE + n * SM_SIZE), sm, sizeof sm))
        return 0;
    return (unsigned)(sm[0] | sm[1] << 8) == start && (unsigned)(sm[2] | sm[3] << 8) == length && (sm[4] & 0x0F) == mode
        && (sm[6] & SM_ENABLE);
}

static uint16_t refusal(struct example_slave* slave, uint8_t target)
{
    if (target != STATE_INIT && target != STATE_PREOP && target != STATE_BOOT && target != STATE_SAFEOP
        && target != STATE_OP)
        return CODE_UNKNOWN_STATE;
    if (!allowed(slave->state, target))
        return CODE_INVALID_STATE_CHANGE;
    if (target == STATE_BOOT)
        return CODE_BOOTSTRAP_NOT_SUPPORTED;
    /* mode 0x6: a mailbox the master writes; 0x2: one it reads */
    if (target == STATE_PREOP && slave->state == STATE_INIT
        && !(mailbox_sync_manager(slave->esc, 0, EXAMPLE_OUT_START, EXAMPLE_OUT_SIZE, 0x06)
             && mailbox_sync_manager(slave->esc, 1, EXAMPLE_IN_START, EXAMPLE_IN_SIZE, 0x02)))
        return CODE_INVALID_MAILBOX;
    return 0;
}

/* The mailbox sync managers are held back (PDI deactivate) while in INIT. */
static void set_mailbox_enabled(struct example_slave* slave, int enabled)
{
    unsigned n;
    for (n = 0; n < 2; ++n) {
        uint16_t address = (uint16_t)(SM_BASE + n * SM_SIZE + SM_PDI_CONTROL);
        uint8_t control = 0;
        slave->esc->read(slave->esc, address, &control, 1);
        control = (uint8_t)(enabled ? control & ~PDI_DEACTIVATE : control | PDI_DEACTIVATE);
        slave->esc->write(slave->esc, address, &control, 1);
    }
}

static void publish(struct example_slave* slave)
{
    const kestio_esc_api* esc = slave->esc;
    uint8_t code[2] = {(uint8_t)slave->code, (uint8_t)(slave->code >> 8)};
    uint8_t status[2] = {(uint8_t)(slave->state | (slave->error ? ERROR_FLAG : 0)), 0};
    esc->write(esc, AL_STATUS_CODE, code, 2);
    esc->write(esc, AL_STATUS, status, 2);
}

static void serve_al_control(struct example_slave* slave)
{
    uint8_t control[2] = {0, 0};
    uint8_t target;
    uint16_t code;
    slave->esc->read(slave->esc, AL_CONTROL, control, 2); /* reading it clears the event */
    target = control[0] & STATE_MASK;
    if (slave->error && !(control[0] & ERROR_FLAG)) {
        /* until the master acknowledges the error, only a step down is obeyed, keeping the error */
        if (rank(target) >= rank(slave->state))
            return;
    } else {
        slave->error = 0;
        slave->code = 0;
    }
    if (target != slave->state) {
        code = refusal(slave, target);
        if (code) {
            char line[80];
            snprintf(line, sizeof line, "refused AL state 0x%02X: AL status code 0x%04X", target, code);
            slave->esc->log(slave->esc, line);
            slave->error = 1;
            slave->code = code;
        } else {
            if ((target == STATE_INIT) != (slave->state == STATE_INIT)) {
                set_mailbox_enabled(slave, target != STATE_INIT);
                mailbox_reset(&slave->mailbox);
            }
            slave->state = target;
        }
    }
    publish(slave);
}

static int example_init(const kestio_esc_api* esc, void** context)
{
    struct example_slave* slave = calloc(1, sizeof *slave);
    if (!slave)
        return 1;
    slave->esc = esc;
    objects_init(&slave->objects, esc);
    mailbox_init(&slave->mailbox, esc, &slave->objects);
    slave->state = STATE_INIT;
    set_mailbox_enabled(slave, 0);
    publish(slave);
    *context = slave;
    return 0;
}

static void example_run(void* context)
{
    struct example_slave* slave = context;
    const kestio_esc_api* esc = slave->esc;
    uint32_t events;
    unsigned pass;
    /* level-triggered, as an interrupt line: serve one event, then look again */
    for (pass = 0; pass < SERVICE_PASSES && ((events = esc->event_request(esc)) & SERVED_EVENTS); ++pass) {
        if (events & EVENT_AL_CONTROL)
            serve_al_control(slave);
        else if (events & EVENT_SM1)
            mailbox_acknowledge_read(&slave->mailbox);
        else if (events & EVENT_ACTIVATION)
            mailbox_answer_repeat(&slave->mailbox, slave->state != STATE_INIT);
        else
            mailbox_take_request(&slave->mailbox);
    }
    if (slave->state != STATE_INIT)
        mailbox_send_next(&slave->mailbox);
}

static void example_shutdown(void* context)
{
    free(context);
}

static const kestio_firmware example_firmware = {KESTIO_FIRMWARE_ABI_VERSION, example_init, example_run,
                                                 example_shutdown};

KESTIO_FIRMWARE_EXPORT const kestio_firmware* kestio_firmware_entry(void)
{
    return &example_firmware;
}
