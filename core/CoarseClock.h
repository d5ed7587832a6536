// The program's coarse clock: seconds since 1 January 1970 as an unsigned
// 32-bit number, refreshed about once a second by the frame window's timer
// through the preferences. The disk cache, cookies, visited links, the reload
// policy and the memory manager measure time with it, so that one tick gives
// them all the same "now".
#pragma once
#include <cstdint>

uint32_t CoarseClockNow();
// Reads the system time into the clock (clamped to the 32-bit range).
void RefreshCoarseClock();
// Sets the clock to a given time; tests use it to fake time.
void SetCoarseClock(uint32_t seconds);
