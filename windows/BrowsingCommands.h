// Commands of browsing that the document windows' menus give: the address
// dialog and showing or hiding the active window's scroll bars and bottom
// bar.
#pragma once

// Registers their handlers with the command dispatcher.
void RegisterBrowsingCommands();
