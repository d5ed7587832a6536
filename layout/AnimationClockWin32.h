// The animation clock of the program: the next frame's 0x8187 goes to the
// viewing window's message handler through the delayed-message queue.
#pragma once

// Installs it for every image (at start-up, once the queue exists).
void InstallAnimationClock();
// Before the queue goes: images then animate no more.
void RemoveAnimationClock();
