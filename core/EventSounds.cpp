#include "core/EventSounds.h"

#include <windows.h>

#include <mmsystem.h>

#include "core/AppGlobals.h"
#include "core/Preferences.h"

namespace {

class SystemSoundPlayer : public SoundPlayer {
public:
    bool Play(const char* file) override { return sndPlaySoundA(file, SND_ASYNC | SND_NODEFAULT) != FALSE; }
};

SystemSoundPlayer g_systemPlayer;
SoundPlayer* g_player = &g_systemPlayer;

}  // namespace

void SetSoundPlayer(SoundPlayer* player) {
    g_player = player ? player : &g_systemPlayer;
}

bool PlaySoundFile(const char* file, bool force) {
    if (!file || !*file) return false;
    const bool enabled = g_preferences && g_preferences->Get(PrefInt::SoundsEnabled);
    if (!enabled && !force) return false;
    return g_player->Play(file);
}

bool PlayEventSound(PrefText event) {
    const char* file = g_preferences ? g_preferences->Get(event) : nullptr;
    if (!file || lstrcmpiA(file, "None") == 0) return false;
    return PlaySoundFile(file, false);
}
