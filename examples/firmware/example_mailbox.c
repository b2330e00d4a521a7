#include "example_mailbox.h"

#include <string.h>

#define SM0 0x0800
#define SM1 0x0808
#define SM_START 0
#define SM_LENGTH 2
#define SM_ACTIVATE 6
#define SM_PDI_CONTROL 7
#define PDI_DEACTIVATE 0x01
#define REPEAT 0x02

#define HEADER_SIZE 6
#define TYPE_ERROR 0x00
#define TYPE_COE 0x03
#define ERROR_COMMAND 0x0001
#define ERROR_UNSUPPORTED_PROTOCOL 0x0002

static uint16_t read16(const kestio_esc_api* esc, uint16_t address)
{
    uint8_t bytes[2] = {0, 0};
    esc->read(esc, address, bytes, 2);
    return (uint16_t)(bytes[0] | bytes[1] << 8);
}

static uint8_t read8(const kestio_esc_api* esc, uint16_t address)
{
    uint8_t value = 0;
    esc->read(esc, address, &value, 1);
    return value;
}

static void write8(const kestio_esc_api* esc, uint16_t address, uint8_t value)
{
    esc->write(esc, address, &value, 1);
}

/* Queues an answer with its mailbox header; 0 when the queue is full. */
static struct example_message* next_free(struct example_mailbox* mailbox)
{
    if (mailbox->count == EXAMPLE_REPLY_QUEUE)
        return NULL;
    return &mailbox->queue[(mailbox->first + mailbox->count++) % EXAMPLE_REPLY_QUEUE];
}

static void seal(struct example_mailbox* mailbox, struct example_message* message, size_t body, uint8_t type)
{
    /* the counter runs 1 to 7; 0 would mean "no counter" */
    mailbox->counter = (uint8_t)(mailbox->counter % 7 + 1);
    message->bytes[0] = (uint8_t)body;
    message->bytes[1] = (uint8_t)(body >> 8);
    message->bytes[2] = message->bytes[3] = message->bytes[4] = 0;
    message->bytes[5] = (uint8_t)(type | mailbox->counter << 4);
    message->length = HEADER_SIZE + body;
}

static void fill_send_mailbox(struct example_mailbox* mailbox, const struct example_message* message)
{
    const kestio_esc_api* esc = mailbox->esc;
    uint16_t size = read16(esc, SM1 + SM_LENGTH);
    uint8_t buffer[EXAMPLE_MAILBOX_MAX];
    if (size > EXAMPLE_MAILBOX_MAX || message->length > size)
        return;
    memset(buffer, 0, size);
    memcpy(buffer, message->bytes, message->length);
    if (!esc->write(esc, read16(esc, SM1 + SM_START), buffer, size))
        return;
    mailbox->in_send_mailbox = *message;
    mailbox->send_mailbox_free = 0;
}

void mailbox_init(struct example_mailbox* mailbox, const kestio_esc_api* esc, struct example_objects* objects)
{
    memset(mailbox, 0, sizeof *mailbox);
    mailbox->esc = esc;
    sdo_init(&mailbox->sdo, objects);
    mailbox_reset(mailbox);
}

void mailbox_reset(struct example_mailbox* mailbox)
{
    sdo_reset(&mailbox->sdo);
    mailbox->first = mailbox->count = 0;
    mailbox->in_send_mailbox.length = mailbox->last_read.length = 0;
    mailbox->send_mailbox_free = 1;
}

void mailbox_take_request(struct example_mailbox* mailbox)
{
    const kestio_esc_api* esc = mailbox->esc;
    uint16_t size = read16(esc, SM0 + SM_LENGTH);
    uint16_t room = read16(esc, SM1 + SM_LENGTH);
    uint8_t request[EXAMPLE_MAILBOX_MAX];
    struct example_message* answer;
    size_t length, body;

    /* reading the first byte clears the event, reading the last empties the sync manager */
    if (size < HEADER_SIZE || size > EXAMPLE_MAILBOX_MAX || room < HEADER_SIZE || room > EXAMPLE_MAILBOX_MAX
        || !esc->read(esc, read16(esc, SM0 + SM_START), request, size))
        return;
    length = (size_t)(request[0] | request[1] << 8);
    if (length > (size_t)size - HEADER_SIZE)
        length = (size_t)size - HEADER_SIZE;
    answer = next_free(mailbox);
    if (!answer)
        return; /* the master asks faster than it reads: the request goes unanswered */
    if ((request[5] & 0x0F) != TYPE_COE) {
        uint8_t* error = answer->bytes + HEADER_SIZE;
        error[0] = ERROR_COMMAND & 0xFF;
        error[1] = ERROR_COMMAND >> 8;
        error[2] = ERROR_UNSUPPORTED_PROTOCOL & 0xFF;
        error[3] = ERROR_UNSUPPORTED_PROTOCOL >> 8;
        seal(mailbox, answer, 4, TYPE_ERROR);
        return;
    }
    body = sdo_handle(&mailbox->sdo, request + HEADER_SIZE, length, answer->bytes + HEADER_SIZE, room - HEADER_SIZE);
    if (body == 0) {
        --mailbox->count;
        return;
    }
    seal(mailbox, answer, body, TYPE_COE);
}

void mailbox_acknowledge_read(struct example_mailbox* mailbox)
{
    /* writing SM1's first byte clears the event; the buffer is filled from the start later */
    write8(mailbox->esc, read16(mailbox->esc, SM1 + SM_START), 0);
    mailbox->last_read = mailbox->in_send_mailbox;
    mailbox->send_mailbox_free = 1;
}

void mailbox_answer_repeat(struct example_mailbox* mailbox, int serving)
{
    const kestio_esc_api* esc = mailbox->esc;
    uint8_t request = read8(esc, SM1 + SM_ACTIVATE) & REPEAT; /* reading it clears the event */
    uint8_t control = read8(esc, SM1 + SM_PDI_CONTROL);
    if (!serving || request == (control & REPEAT))
        return;
    if (!mailbox->send_mailbox_free) {
        /* the master has not read the newer answer: empty SM1, and send that answer after */
        write8(esc, SM1 + SM_PDI_CONTROL, control | PDI_DEACTIVATE);
        write8(esc, SM1 + SM_PDI_CONTROL, control);
        if (mailbox->count < EXAMPLE_REPLY_QUEUE) {
            mailbox->first = (mailbox->first + EXAMPLE_REPLY_QUEUE - 1) % EXAMPLE_REPLY_QUEUE;
            mailbox->queue[mailbox->first] = mailbox->in_send_mailbox;
            ++mailbox->count;
        }
        mailbox->send_mailbox_free = 1;
    }
    if (mailbox->last_read.length > 0)
        fill_send_mailbox(mailbox, &mailbox->last_read);
    write8(esc, SM1 + SM_PDI_CONTROL, (uint8_t)((control & ~REPEAT) | request));
}

void mailbox_send_next(struct example_mailbox* mailbox)
{
    if (!mailbox->send_mailbox_free || mailbox->count == 0)
        return;
    fill_send_mailbox(mailbox, &mailbox->queue[mailbox->first]);
    if (mailbox->send_mailbox_free)
        return; /* SM1 refused it: try again after the next frame */
    mailbox->first = (mailbox->first + 1) % EXAMPLE_REPLY_QUEUE;
    --mailbox->count;
}
