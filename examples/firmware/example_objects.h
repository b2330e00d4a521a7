/* The example slave's CoE object dictionary: identity, device name, and a few values of several
 * sizes that the master may read and write. */
#ifndef EXAMPLE_OBJECTS_H
#define EXAMPLE_OBJECTS_H

#include <stddef.h>
#include <stdint.h>

#include <kestio_firmware.h>

/* 0x2002 holds up to this many bytes; no value is longer */
#define EXAMPLE_LONGEST_VALUE 400
#define EXAMPLE_OBJECT_COUNT 14

/* SDO abort codes */
#define ABORT_TOGGLE_BIT 0x05030000u
#define ABORT_COMMAND_SPECIFIER 0x05040001u
#define ABORT_UNSUPPORTED_ACCESS 0x06010000u
#define ABORT_READ_ONLY 0x06010002u
#define ABORT_NO_OBJECT 0x06020000u
#define ABORT_LENGTH_MISMATCH 0x06070010u
#define ABORT_LENGTH_TOO_HIGH 0x06070012u
#define ABORT_LENGTH_TOO_LOW 0x06070013u
#define ABORT_NO_SUBINDEX 0x06090011u

struct example_objects {
    const kestio_esc_api* esc; /* its clock serves 0x2005 */
    uint64_t started_ns;
    uint8_t values[EXAMPLE_OBJECT_COUNT][EXAMPLE_LONGEST_VALUE];
    uint16_t sizes[EXAMPLE_OBJECT_COUNT];
};

void objects_init(struct example_objects* objects, const kestio_esc_api* esc);
/* 0 with the value (valid until the next call), or the SDO abort code. */
uint32_t objects_read(struct example_objects* objects, uint16_t index, uint8_t subindex, const uint8_t** value,
                      size_t* size);
/* 0 when a value of this size may be written, or the SDO abort code. */
uint32_t objects_check_write(uint16_t index, uint8_t subindex, size_t size);
/* Checks, then writes; 0 or the SDO abort code. */
uint32_t objects_write(struct example_objects* objects, uint16_t index, uint8_t subindex, const uint8_t* data,
                       size_t size);

#endif
