#pragma once
// Start-up as bench_startup sees it. With LYROVAN_STARTUP_CLOCK set to the
// monotonic clock's reading in nanoseconds when the program was started,
// each step writes one line to standard error:
//     step NAME MS FAULTS
// the milliseconds since that reading and the minor page faults so far.
// Without the variable it does nothing.

namespace lyrovan {

void MarkStartupStep(const char* name);

} // namespace lyrovan
