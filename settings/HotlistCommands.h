// The commands that add documents and links to the hotlist: the frame
// menu's "Add Active to Hot List" (Ctrl+T), the page menu's "Add document to
// Hot List", the Frame submenu's "Add to Hot List" (the frame's document)
// and the link menus' "Add link document to hotlist".
#pragma once

// Registers their handlers with the command dispatcher.
void RegisterHotlistCommands();
