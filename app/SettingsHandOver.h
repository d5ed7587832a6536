// The one way settings reach the network layer: the preferences tell their
// listener whenever they are read or changed, and the hand-over copies what
// URL loading, the disk cache and the connections consult into their plain
// settings (net/UrlSettings.h, net/NetSettings.h). Nothing below reads the
// preferences for them.
#pragma once

#include "core/Preferences.h"

// Makes the hand-over the preferences' listener (start-up, before LoadAll).
void InstallSettingsHandOver();

// Reads the user's own style sheet ([USER PREFS] LOCAL CSS FILE) and makes it
// the one new pages consult; done once, when the frame is created. A file
// that cannot be read leaves no sheet.
void LoadUserStyleSheet(const Preferences& preferences);
void FreeUserStyleSheet();

// The listener itself.
void HandSettingsToNet(const Preferences& preferences, Preferences::Change change);
