#pragma once
// Waits a while, letting the window handle its events meanwhile.

namespace lyrovan {

// Returns after Seconds have passed on the monotonic clock (so a change of
// the time of day, midnight included, does not matter). Unless NoEvents,
// the window's events (clicks, menu choices, timers, repaints) are handled
// meanwhile; the wait itself sleeps rather than spinning a processor.
void Pause(double Seconds, bool NoEvents);

} // namespace lyrovan
