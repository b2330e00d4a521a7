#pragma once
#include "ecat/master.h"

// What KestIO_Test has once per process, made in main() and handed down by reference:
// the master (the polled values and the card counters belong here too). A test makes
// its own.
struct app_objects {
    ecat::master master;
};
