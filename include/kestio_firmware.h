/* kestio_firmware.h: slave firmware for the KestIO simulator (kestio-sim, and the simulated bus
 * of kestio-cli and KestIO_Test), built as a shared library against this one header.
 *
 * The firmware is the microcontroller side of an EtherCAT slave. It reaches its EtherCAT slave
 * controller (ESC) only through the process data interface (PDI) that the simulator lends it
 * in a table of functions, kestio_esc_api. It sees the ESC's address space as a slave's
 * microcontroller does, with the PDI's access rights and side effects:
 *   - a mailbox sync manager is written by one side while empty and read by the other while
 *     full; an access the sync manager refuses fails and changes nothing;
 *   - AL status (0x0130), AL status code (0x0134) and each sync manager's PDI control byte
 *     (0x0807 + 8n: bit 0 deactivate, bit 1 repeat acknowledge) are written from here;
 *   - the AL event request register (0x0220) is the slave's interrupt line: bit 0 the master
 *     wrote AL control (cleared by reading 0x0120), bit 4 the master wrote a sync manager's
 *     activation register (cleared by reading one, 0x0806 + 8n), bit 8 + n sync manager n
 *     needs the slave (SM0 written by the master: cleared by reading its first byte; SM1 read
 *     by the master: cleared by writing its first byte).
 *
 * The library exports one function, kestio_firmware_entry, that returns its kestio_firmware
 * table. The simulator calls, on one thread of its own for each slave:
 *   init      once at power-up, with the PDI table; it may reach the ESC, and stores what it
 *             needs (the table pointer too) in *context. Non-zero refuses to start: the
 *             simulator then does not start at all.
 *   run       after every frame that passed the slave, as a main loop polls its chip: look at
 *             the event request register, serve what it shows, and return.
 *   shutdown  (may be NULL) once when the simulated bus goes away; frees the context. The ESC
 *             is gone by then: read and write fail, log still works.
 *
 * What a call may do: compute, and call the table's functions; nothing else is needed.
 * What it must not do:
 *   - block, sleep or wait: each call has a time limit (1 s). A call that exceeds it gets its
 *     slave unplugged from the bus with a message naming it; the call is left to run on, and
 *     every later call of the table from it fails without touching the ESC.
 *   - keep pointers it was given other than the table itself: buffers passed to read, write
 *     and log are used only during the call;
 *   - start threads, or call the table from anything but init, run and shutdown (such calls
 *     fail), or use global state if the same library may run several slaves.
 * The firmware runs inside the simulator's process: a crash or a stray write in it takes the
 * whole simulator down, and no time limit can contain that.
 */
#ifndef KESTIO_FIRMWARE_H
#define KESTIO_FIRMWARE_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The interface version this header describes; the simulator refuses any other. */
#define KESTIO_FIRMWARE_ABI_VERSION 1u

/* The name of the exported entry function, for dlsym. */
#define KESTIO_FIRMWARE_ENTRY_NAME "kestio_firmware_entry"

#if defined(__GNUC__)
#define KESTIO_FIRMWARE_EXPORT __attribute__((visibility("default")))
#else
#define KESTIO_FIRMWARE_EXPORT
#endif

typedef struct kestio_esc_api kestio_esc_api;

/* What the simulator gives the firmware. Every function takes the table itself first. */
struct kestio_esc_api {
    /* the simulator's KESTIO_FIRMWARE_ABI_VERSION */
    uint32_t abi_version;
    /* Reads length bytes of the ESC's address space. Returns 1, or 0 (out unchanged) when a
     * sync manager refuses the access, the range leaves the address space, or the call is not
     * allowed (see above). */
    int (*read)(const kestio_esc_api* esc, uint16_t address, void* out, size_t length);
    /* Writes length bytes. Returns 1, or 0 (nothing written) in the same cases as read. */
    int (*write)(const kestio_esc_api* esc, uint16_t address, const void* data, size_t length);
    /* The AL event request register (0x0220), read without the side effects of a read. */
    uint32_t (*event_request)(const kestio_esc_api* esc);
    /* Nanoseconds since the slave's power-up, from a monotonic clock: the microcontroller's
     * timer. */
    uint64_t (*time_ns)(const kestio_esc_api* esc);
    /* One line of text for the simulator's messages, prefixed there with the slave's name. */
    void (*log)(const kestio_esc_api* esc, const char* line);
};

/* What the firmware gives the simulator. abi_version comes first in every version. */
typedef struct kestio_firmware {
    /* KESTIO_FIRMWARE_ABI_VERSION as the firmware was built */
    uint32_t abi_version;
    /* 0 when started; anything else refuses (the simulator reports the value) */
    int (*init)(const kestio_esc_api* esc, void** context);
    void (*run)(void* context);
    /* may be NULL */
    void (*shutdown)(void* context);
} kestio_firmware;

/* Exported by the firmware library; returns a table that lives as long as the library. */
KESTIO_FIRMWARE_EXPORT const kestio_firmware* kestio_firmware_entry(void);

#ifdef __cplusplus
}
#endif

#endif /* KESTIO_FIRMWARE_H */
