// Commands of browsing that the document windows' menus give: the address
// dialog, showing or hiding the active window's scroll bars and bottom bar,
// and with them the history, mouse and window commands.
#pragma once

// Registers their handlers with the command dispatcher.
void RegisterBrowsingCommands();
