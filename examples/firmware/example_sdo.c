#include "example_sdo.h"

#include <string.h>

#define COE_SDO_REQUEST 2
#define COE_SDO_RESPONSE 3
/* an SDO message is at least the CoE header, command, index, subindex and four data bytes */
#define SDO_SIZE 10
/* a segment's data follows the CoE header and the command byte */
#define SEGMENT_DATA 3
/* a segment carries at least seven bytes, padded; the command says how many are empty */
#define SHORTEST_SEGMENT 7

#define CCS_DOWNLOAD_SEGMENT 0
#define CCS_INITIATE_DOWNLOAD 1
#define CCS_INITIATE_UPLOAD 2
#define CCS_UPLOAD_SEGMENT 3
#define CCS_ABORT 4

#define SIZE_INDICATED 0x01
#define EXPEDITED 0x02
#define COMPLETE_ACCESS 0x10
#define TOGGLE 0x10
#define LAST_SEGMENT 0x01

static uint16_t get16(const uint8_t* p)
{
    return (uint16_t)(p[0] | p[1] << 8);
}

static uint32_t get32(const uint8_t* p)
{
    return (uint32_t)get16(p) | (uint32_t)get16(p + 2) << 16;
}

static void put16(uint8_t* p, uint16_t value)
{
    p[0] = (uint8_t)value;
    p[1] = (uint8_t)(value >> 8);
}

static void put32(uint8_t* p, uint32_t value)
{
    put16(p, (uint16_t)value);
    put16(p + 2, (uint16_t)(value >> 16));
}

static size_t sdo_message(uint8_t* reply, unsigned service, uint8_t command, uint16_t index, uint8_t subindex)
{
    memset(reply, 0, SDO_SIZE);
    put16(reply, (uint16_t)(service << 12));
    reply[2] = command;
    put16(reply + 3, index);
    reply[5] = subindex;
    return SDO_SIZE;
}

static size_t abort_transfer(struct example_sdo* sdo, uint16_t index, uint8_t subindex, uint32_t code, uint8_t* reply)
{
    sdo_reset(sdo);
    sdo_message(reply, COE_SDO_REQUEST, CCS_ABORT << 5, index, subindex);
    put32(reply + 6, code);
    return SDO_SIZE;
}

static void begin_transfer(struct example_transfer* t, uint16_t index, uint8_t subindex, size_t size, size_t done)
{
    t->active = 1;
    t->toggle = 0;
    t->index = index;
    t->subindex = subindex;
    t->size = size;
    t->done = done;
}

static size_t initiate_download(struct example_sdo* sdo, const uint8_t* request, size_t length, uint8_t* reply)
{
    uint8_t command = request[2];
    uint16_t index = get16(request + 3);
    uint8_t subindex = request[5];
    uint32_t code;
    size_t complete, present;
    struct example_transfer* t = &sdo->download;

    sdo_reset(sdo);
    if (command & COMPLETE_ACCESS)
        return abort_transfer(sdo, index, subindex, ABORT_UNSUPPORTED_ACCESS, reply);
    if (command & EXPEDITED) {
        /* a client that leaves the size out sends four bytes */
        size_t size = command & SIZE_INDICATED ? 4u - ((command >> 2) & 3u) : 4u;
        code = objects_write(sdo->objects, index, subindex, request + 6, size);
        return code ? abort_transfer(sdo, index, subindex, code, reply)
                    : sdo_message(reply, COE_SDO_RESPONSE, 0x60, index, subindex);
    }
    complete = get32(request + 6);
    present = length - SDO_SIZE;
    code = objects_check_write(index, subindex, complete);
    if (!code && present > complete)
        code = ABORT_LENGTH_MISMATCH;
    if (!code && present == complete)
        code = objects_write(sdo->objects, index, subindex, request + SDO_SIZE, complete);
    if (code)
        return abort_transfer(sdo, index, subindex, code, reply);
    if (present < complete) {
        /* the rest comes in download segments */
        begin_transfer(t, index, subindex, complete, present);
        memcpy(t->data, request + SDO_SIZE, present);
    }
    return sdo_message(reply, COE_SDO_RESPONSE, 0x60, index, subindex);
}

static size_t download_segment(struct example_sdo* sdo, const uint8_t* request, size_t length, uint8_t* reply)
{
    uint8_t command = request[2];
    struct example_transfer* t = &sdo->download;
    size_t size = length == SDO_SIZE ? SHORTEST_SEGMENT - ((command >> 1) & 7u) : length - SEGMENT_DATA;
    int last = command & LAST_SEGMENT;
    uint32_t code;

    if (!t->active)
        return abort_transfer(sdo, 0, 0, ABORT_COMMAND_SPECIFIER, reply);
    if (!(command & TOGGLE) != !t->toggle)
        return abort_transfer(sdo, t->index, t->subindex, ABORT_TOGGLE_BIT, reply);
    if (t->done + size > t->size || (last && t->done + size != t->size))
        return abort_transfer(sdo, t->index, t->subindex, ABORT_LENGTH_MISMATCH, reply);
    memcpy(t->data + t->done, request + SEGMENT_DATA, size);
    t->done += size;
    sdo_message(reply, COE_SDO_RESPONSE, (uint8_t)(0x20 | (t->toggle ? TOGGLE : 0)), 0, 0);
    t->toggle = !t->toggle;
    if (!last)
        return SDO_SIZE;
    code = objects_write(sdo->objects, t->index, t->subindex, t->data, t->size);
    if (code)
        return abort_transfer(sdo, t->index, t->subindex, code, reply);
    t->active = 0;
    return SDO_SIZE;
}

static size_t initiate_upload(struct example_sdo* sdo, const uint8_t* request, uint8_t* reply, size_t room)
{
    uint16_t index = get16(request + 3);
    uint8_t subindex = request[5];
    const uint8_t* value = NULL;
    size_t size = 0, first;
    uint32_t code;
    struct example_transfer* t = &sdo->upload;

    sdo_reset(sdo);
    if (request[2] & COMPLETE_ACCESS)
        return abort_transfer(sdo, index, subindex, ABORT_UNSUPPORTED_ACCESS, reply);
    code = objects_read(sdo->objects, index, subindex, &value, &size);
    if (code)
        return abort_transfer(sdo, index, subindex, code, reply);
    if (size > 0 && size <= 4) {
        sdo_message(reply, COE_SDO_RESPONSE, (uint8_t)(0x43 | (4 - size) << 2), index, subindex);
        memcpy(reply + 6, value, size);
        return SDO_SIZE;
    }
    /* normal: the complete size and as much as fits; upload segments bring the rest */
    sdo_message(reply, COE_SDO_RESPONSE, 0x41, index, subindex);
    put32(reply + 6, (uint32_t)size);
    first = size < room - SDO_SIZE ? size : room - SDO_SIZE;
    memcpy(reply + SDO_SIZE, value, first);
    if (first < size) {
        begin_transfer(t, index, subindex, size, first);
        memcpy(t->data, value, size);
    }
    return SDO_SIZE + first;
}

static size_t upload_segment(struct example_sdo* sdo, const uint8_t* request, uint8_t* reply, size_t room)
{
    uint8_t command = request[2];
    struct example_transfer* t = &sdo->upload;
    size_t remaining = t->size - t->done;
    size_t size = remaining < room - SEGMENT_DATA ? remaining : room - SEGMENT_DATA;
    size_t empty = size < SHORTEST_SEGMENT ? SHORTEST_SEGMENT - size : 0;
    int last = size == remaining;

    if (!t->active)
        return abort_transfer(sdo, 0, 0, ABORT_COMMAND_SPECIFIER, reply);
    if (!(command & TOGGLE) != !t->toggle)
        return abort_transfer(sdo, t->index, t->subindex, ABORT_TOGGLE_BIT, reply);
    memset(reply, 0, SEGMENT_DATA + size + empty);
    put16(reply, COE_SDO_RESPONSE << 12);
    reply[2] = (uint8_t)((t->toggle ? TOGGLE : 0) | empty << 1 | (last ? LAST_SEGMENT : 0));
    memcpy(reply + SEGMENT_DATA, t->data + t->done, size);
    t->done += size;
    t->toggle = !t->toggle;
    if (last)
        t->active = 0;
    return SEGMENT_DATA + size + empty;
}

void sdo_init(struct example_sdo* sdo, struct example_objects* objects)
{
    sdo->objects = objects;
    sdo_reset(sdo);
}

void sdo_reset(struct example_sdo* sdo)
{
    sdo->download.active = sdo->download.toggle = 0;
    sdo->upload.active = sdo->upload.toggle = 0;
}

size_t sdo_handle(struct example_sdo* sdo, const uint8_t* request, size_t length, uint8_t* reply, size_t room)
{
    if (length < SDO_SIZE || room < SDO_SIZE || get16(request) >> 12 != COE_SDO_REQUEST)
        return 0;
    switch (request[2] >> 5) {
    case CCS_INITIATE_DOWNLOAD: return initiate_download(sdo, request, length, reply);
    case CCS_DOWNLOAD_SEGMENT: return download_segment(sdo, request, length, reply);
    case CCS_INITIATE_UPLOAD: return initiate_upload(sdo, request, reply, room);
    case CCS_UPLOAD_SEGMENT: return upload_segment(sdo, request, reply, room);
    case CCS_ABORT: sdo_reset(sdo); return 0; /* the client gave up; an abort is never answered */
    default: return abort_transfer(sdo, get16(request + 3), request[5], ABORT_COMMAND_SPECIFIER, reply);
    }
}
