// Context help: which help page a menu command or a help context shows.
#pragma once

// The help context that documents a menu command, or 0 when there is none.
int HelpContextOfCommand(int commandId);

// The help viewer page of a help context ("index.htm" for unknown ones).
// Context StartupTextContext has no page: it shows the start-up text file.
const char* HelpPageOfContext(int context);

constexpr int StartupTextContext = 20094;
