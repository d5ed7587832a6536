// The program's event sounds: wave files named in [SOUNDS] (START, END,
// LOADED, FAILURE, CLICKED), played while [SOUNDS] ENABLED is on.
#pragma once
#include "core/PreferenceKeys.h"

// Where the sounds go: the system's wave player unless another is installed
// (a machine without a sound device, a test that listens).
class SoundPlayer {
public:
    virtual ~SoundPlayer() = default;
    // Starts the file playing without waiting for it; true when it started.
    virtual bool Play(const char* file) = 0;
};
// Installs the player (borrowed until replaced); null goes back to the
// system's.
void SetSoundPlayer(SoundPlayer* player);

// Plays the wave file, without a default sound in its place, when sounds are
// enabled or force is set. Nothing for a missing or empty name. True when
// it started.
bool PlaySoundFile(const char* file, bool force);
// The sound of one event of the [SOUNDS] section ("None" is no sound).
bool PlayEventSound(PrefText event);
