#pragma once

// What the page benchmarks measure the program with.
namespace bench {

// Lets the GUI's event loop run for ms milliseconds.
void wait_ms(int ms);
// CPU time this process has used, user and system, in seconds.
double cpu_seconds();
// This process's resident memory in MB (0 when /proc cannot be read).
double rss_mb();

} // namespace bench
