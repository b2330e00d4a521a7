/* Slave firmware that breaks its contract in the one way chosen when it is built:
 * BAD_FIRMWARE_NO_ENTRY        exports its table under another name
 * BAD_FIRMWARE_WRONG_VERSION   was built for the next interface version
 * BAD_FIRMWARE_FAILING_INIT    refuses to start
 * BAD_FIRMWARE_SPINNING_RUN    once the master writes AL control, waits in run for a register bit
 *                              that never comes, until its reads are refused */
#include <kestio_firmware.h>

#ifdef BAD_FIRMWARE_SPINNING_RUN
/* set when the spinning run gave up: the simulator refused its reads */
KESTIO_FIRMWARE_EXPORT volatile int spin_ended = 0;
#endif

static int init(const kestio_esc_api* esc, void** context)
{
    *context = (void*)esc;
#ifdef BAD_FIRMWARE_FAILING_INIT
    return 7;
#else
    return 0;
#endif
}

static void run(void* context)
{
#ifdef BAD_FIRMWARE_SPINNING_RUN
    const kestio_esc_api* esc = context;
    uint8_t status = 0;
    if (!(esc->event_request(esc) & 0x0001))
        return;
    while (esc->read(esc, 0x0130, &status, 1) && !(status & 0x80)) {
    }
    spin_ended = 1;
#else
    (void)context;
#endif
}

#ifdef BAD_FIRMWARE_WRONG_VERSION
static const kestio_firmware table = {KESTIO_FIRMWARE_ABI_VERSION + 1, init, run, 0};
#else
static const kestio_firmware table = {KESTIO_FIRMWARE_ABI_VERSION, init, run, 0};
#endif

#ifdef BAD_FIRMWARE_NO_ENTRY
KESTIO_FIRMWARE_EXPORT const kestio_firmware* firmware_entry(void)
#else
KESTIO_FIRMWARE_EXPORT const kestio_firmware* kestio_firmware_entry(void)
#endif
{
    return &table;
}
