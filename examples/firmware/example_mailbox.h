/* The example slave's mailbox: requests from SM0, answers through SM1, one event at a time as
 * the AL event request register shows them. */
#ifndef EXAMPLE_MAILBOX_H
#define EXAMPLE_MAILBOX_H

#include <stddef.h>
#include <stdint.h>

#include <kestio_firmware.h>

#include "example_sdo.h"

/* the largest mailbox sync manager this firmware serves */
#define EXAMPLE_MAILBOX_MAX 512
#define EXAMPLE_REPLY_QUEUE 4

struct example_message {
    size_t length;
    uint8_t bytes[EXAMPLE_MAILBOX_MAX];
};

struct example_mailbox {
    const kestio_esc_api* esc;
    struct example_sdo sdo;
    /* answers waiting for SM1 to be free */
    struct example_message queue[EXAMPLE_REPLY_QUEUE];
    unsigned first, count;
    /* what SM1 holds now, and what the master read last (sent again on a repeat request) */
    struct example_message in_send_mailbox;
    struct example_message last_read;
    int send_mailbox_free;
    uint8_t counter;
};

void mailbox_init(struct example_mailbox* mailbox, const kestio_esc_api* esc, struct example_objects* objects);
/* Forgets every message and transfer, as on leaving or entering INIT. */
void mailbox_reset(struct example_mailbox* mailbox);
/* SM0 event: the master has written a request. */
void mailbox_take_request(struct example_mailbox* mailbox);
/* SM1 event: the master has read the answer in SM1. */
void mailbox_acknowledge_read(struct example_mailbox* mailbox);
/* Activation event: maybe a repeat request for the last answer (served unless in INIT). */
void mailbox_answer_repeat(struct example_mailbox* mailbox, int serving);
/* Puts the next answer into SM1 once the master has read the one before. */
void mailbox_send_next(struct example_mailbox* mailbox);

#endif
