// The document windows as the viewer decisions see them: each window keeps
// its pending viewer action and handler for the document it loads, and every
// document a window receives goes through the viewer table (shown, handed to
// a plug-in, a program, the shell, a save, or the user).
#pragma once

// Installs both sides at start-up (after the window list and the viewer
// table); Remove before they go.
void InstallDocumentViewers();
void RemoveDocumentViewers();
