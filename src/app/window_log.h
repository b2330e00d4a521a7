#pragma once
#include <QString>

// With KESTIO_WINDOW_LOG=stderr the main window reports on standard error, one line each,
// every page it shows and every change of the bus it sees, so that a script driving it
// from outside (scripts/gui-long-run.sh) can follow what its keys did.
bool window_log_wanted();

// Prints "KestIO_Test: <line>" when the log is wanted.
void window_log(const QString& line);
