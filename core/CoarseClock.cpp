#include "core/CoarseClock.h"

#include <ctime>

namespace {

uint32_t gClock = 0;
bool gClockSet = false;

}  // namespace

uint32_t CoarseClockNow() {
    if (!gClockSet) RefreshCoarseClock();
    return gClock;
}

void RefreshCoarseClock() {
    long long now = static_cast<long long>(std::time(nullptr));
    if (now < 0) now = 0;
    if (now > 0xFFFFFFFFLL) now = 0xFFFFFFFFLL;
    SetCoarseClock(static_cast<uint32_t>(now));
}

void SetCoarseClock(uint32_t seconds) {
    gClock = seconds;
    gClockSet = true;
}
