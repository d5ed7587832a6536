#include "net/UrlSettings.h"

#include "core/CoarseClock.h"

namespace {

UrlSettings g_settings;
uint32_t (*g_clock)() = nullptr;

}  // namespace

UrlSettings& GetUrlSettings() {
    return g_settings;
}

uint32_t UrlClockNow() {
    return g_clock ? g_clock() : CoarseClockNow();
}

void SetUrlClock(uint32_t (*clock)()) {
    g_clock = clock;
}
