/* Stands in for a user's firmware library: its constructor appends the capability sets of
   the process that loaded it ("comm CapPrm CapEff") to the file KESTIO_CAPABILITY_RECORD
   names. It has no firmware entry, so the program refuses it right after loading it. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

/* value holds at least 32 bytes */
static void read_line_value(const char* text, const char* key, char* value)
{
    const char* found = strstr(text, key);
    value[0] = '\0';
    if (found)
        sscanf(found + strlen(key), "%*[ \t]%31s", value);
}

__attribute__((constructor)) static void record_capabilities(void)
{
    const char* path = getenv("KESTIO_CAPABILITY_RECORD");
    if (!path)
        return;
    char status[8192] = "", comm[64] = "?", permitted[32], effective[32];
    FILE* in = fopen("/proc/self/status", "r");
    if (in) {
        size_t n = fread(status, 1, sizeof status - 1, in);
        status[n] = '\0';
        fclose(in);
    }
    in = fopen("/proc/self/comm", "r");
    if (in) {
        if (fscanf(in, "%63s", comm) != 1)
            strcpy(comm, "?");
        fclose(in);
    }
    read_line_value(status, "\nCapPrm:", permitted);
    read_line_value(status, "\nCapEff:", effective);
    FILE* out = fopen(path, "a");
    if (out) {
        fprintf(out, "%s %s %s\n", comm, permitted, effective);
        fclose(out);
    }
}
