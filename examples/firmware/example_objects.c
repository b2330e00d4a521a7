#include "example_objects.h"

#include <string.h>

#if !defined(EXAMPLE_VENDOR_ID) || !defined(EXAMPLE_PRODUCT_CODE) || !defined(EXAMPLE_REVISION)                        \
    || !defined(EXAMPLE_SERIAL) || !defined(EXAMPLE_NAME)
#error "the build defines the identity (EXAMPLE_VENDOR_ID ...) that the SII image carries too"
#endif

enum access { read_only, read_write };
/* fixed: always its capacity; variable: a download sets the size; clock: computed when read */
enum kind { fixed, variable, clock };

struct entry {
    uint16_t index;
    uint8_t subindex;
    uint8_t access;
    uint8_t kind;
    uint16_t capacity;
};

static const struct entry entries[EXAMPLE_OBJECT_COUNT] = {
    {0x1000, 0, read_only, fixed, 4},     /* device type */
    {0x1008, 0, read_only, variable, 64}, /* device name */
    {0x100A, 0, read_only, variable, 16}, /* software version */
    {0x1018, 0, read_only, fixed, 1},     /* identity: number of entries */
    {0x1018, 1, read_only, fixed, 4},     /* vendor ID */
    {0x1018, 2, read_only, fixed, 4},     /* product code */
    {0x1018, 3, read_only, fixed, 4},     /* revision */
    {0x1018, 4, read_only, fixed, 4},     /* serial number */
    {0x2000, 0, read_write, fixed, 1},
    {0x2001, 0, read_write, fixed, 4},
    {0x2002, 0, read_write, variable, EXAMPLE_LONGEST_VALUE},
    {0x2003, 0, read_write, fixed, 2},
    {0x2004, 0, read_write, fixed, 8},
    {0x2005, 0, read_only, clock, 4}, /* milliseconds since power-up */
};

static void put_number(struct example_objects* objects, int slot, uint64_t value)
{
    int i;
    for (i = 0; i < entries[slot].capacity; ++i)
        objects->values[slot][i] = (uint8_t)(value >> (8 * i));
    objects->sizes[slot] = entries[slot].capacity;
}

static void put_text(struct example_objects* objects, int slot, const char* text)
{
    size_t length = strlen(text);
    if (length > entries[slot].capacity)
        length = entries[slot].capacity;
    memcpy(objects->values[slot], text, length);
    objects->sizes[slot] = (uint16_t)length;
}

/* The slot of an entry, or -1 with the abort code for a missing object or subindex. */
static int find(uint16_t index, uint8_t subindex, uint32_t* abort_code)
{
    int slot, index_known = 0;
    for (slot = 0; slot < EXAMPLE_OBJECT_COUNT; ++slot) {
        if (entries[slot].index != index)
            continue;
        index_known = 1;
        if (entries[slot].subindex == subindex)
            return slot;
    }
    *abort_code = index_known ? ABORT_NO_SUBINDEX : ABORT_NO_OBJECT;
    return -1;
}

void objects_init(struct example_objects* objects, const kestio_esc_api* esc)
{
    int slot;
    memset(objects, 0, sizeof *objects);
    objects->esc = esc;
    objects->started_ns = esc->time_ns(esc);
    for (slot = 0; slot < EXAMPLE_OBJECT_COUNT; ++slot)
        if (entries[slot].kind != variable)
            put_number(objects, slot, 0);
    put_text(objects, 1, EXAMPLE_NAME);
    put_text(objects, 2, "1.0");
    put_number(objects, 3, 4);
    put_number(objects, 4, EXAMPLE_VENDOR_ID);
    put_number(objects, 5, EXAMPLE_PRODUCT_CODE);
    put_number(objects, 6, EXAMPLE_REVISION);
    put_number(objects, 7, EXAMPLE_SERIAL);
}

uint32_t objects_read(struct example_objects* objects, uint16_t index, uint8_t subindex, const uint8_t** value,
                      size_t* size)
{
    uint32_t abort_code = 0;
    int slot = find(index, subindex, &abort_code);
    if (slot < 0)
        return abort_code;
    if (entries[slot].kind == clock)
        put_number(objects, slot, (objects->esc->time_ns(objects->esc) - objects->started_ns) / 1000000u);
    *value = objects->values[slot];
    *size = objects->sizes[slot];
    return 0;
}

uint32_t objects_check_write(uint16_t index, uint8_t subindex, size_t size)
{
    uint32_t abort_code = 0;
    int slot = find(index, subindex, &abort_code);
    if (slot < 0)
        return abort_code;
    if (entries[slot].access != read_write)
        return ABORT_READ_ONLY;
    if (size > entries[slot].capacity)
        return ABORT_LENGTH_TOO_HIGH;
    if (entries[slot].kind == fixed && size < entries[slot].capacity)
        return ABORT_LENGTH_TOO_LOW;
    return 0;
}

uint32_t objects_write(struct example_objects* objects, uint16_t index, uint8_t subindex, const uint8_t* data,
                       size_t size)
{
    uint32_t abort_code = objects_check_write(index, subindex, size);
    int slot;
    if (abort_code)
        return abort_code;
    slot = find(index, subindex, &abort_code);
    memcpy(objects->values[slot], data, size);
    objects->sizes[slot] = (uint16_t)size;
    return 0;
}
