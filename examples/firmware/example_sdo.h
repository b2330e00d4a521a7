/* The example slave's CoE SDO server: expedited, normal and segmented upload and download, and
 * SDO aborts, over the example's object dictionary. */
#ifndef EXAMPLE_SDO_H
#define EXAMPLE_SDO_H

#include <stddef.h>
#include <stdint.h>

#include "example_objects.h"

/* A segmented transfer under way. */
struct example_transfer {
    int active;
    int toggle;
    uint16_t index;
    uint8_t subindex;
    size_t size;
    size_t done;
    uint8_t data[EXAMPLE_LONGEST_VALUE];
};

struct example_sdo {
    struct example_objects* objects;
    struct example_transfer download;
    struct example_transfer upload;
};

void sdo_init(struct example_sdo* sdo, struct example_objects* objects);
/* Forgets any transfer under way. */
void sdo_reset(struct example_sdo* sdo);
/* Serves one CoE message (from its CoE header on, length bytes). Writes the answer, CoE header
 * on, into reply, at most room bytes (at least 10), and returns its length; 0 for no answer. */
size_t sdo_handle(struct example_sdo* sdo, const uint8_t* request, size_t length, uint8_t* reply, size_t room);

#endif
