#pragma once
#include "app/CTQRThread.h"
#include "app/card_model.h"

// The poll procedures of poll_thread and ain24_thread. Each returns at once when the
// selected slave is not on the bus, then loops until its slot is asked to stop: one pass
// while a tab it serves is shown, else a sleep of 1 ms. All return 0.
int io_poll(CTQRThread& slot, worker_host& host);
int kova_h_poll(CTQRThread& slot, worker_host& host);
int kova_16io_poll(CTQRThread& slot, worker_host& host);
int ain24_poll(CTQRThread& slot, worker_host& host);

CTQRThread::procedure_type poll_procedure_for(poll_kind kind);
