// The one hotlist of the program: the tree of saved addresses, the file it
// lives in, and the folder new entries go to. Made at start-up after the
// preferences, destroyed at shut-down. Every change is written to the file
// at once (through a fresh file that replaces the old one whole), so that
// an entry the user added survives a crash.
#pragma once
#include <windows.h>

#include <memory>
#include <string>

#include "settings/HotlistItem.h"

class Hotlist {
public:
    // Reads the file (an absent one is an empty hotlist, made at the first
    // save). A file that cannot be read asks Retry or Cancel; Cancel keeps
    // an empty hotlist and forgets the path, so that nothing overwrites the
    // file until the user chooses one. A file that exists and cannot be
    // written disables saving.
    explicit Hotlist(const char* path);
    ~Hotlist();
    Hotlist(const Hotlist&) = delete;
    Hotlist& operator=(const Hotlist&) = delete;

    HotlistFolder& Root() { return *root_; }
    const std::string& Path() const { return path_; }
    bool SaveDisabled() const { return saveDisabled_; }

    HotlistFolder& ActiveFolder() { return *active_; }
    // Null means the root.
    void SetActiveFolder(HotlistFolder* folder);

    // Writes the whole tree; false when saving is disabled, there is no
    // path, or the file could not be written whole (the old file then
    // stays as it was).
    [[nodiscard]] bool Save();

    // The entry whose nickname is the text (letter case aside), or null.
    HotlistItem* FindUrl(const std::string& text);
    // Marks every entry of the address visited; whether any was.
    bool MarkVisited(const char* url);

    // Runs the item editor on a new entry; on OK the entry goes to the end
    // of the folder (the active one when null), the folder is sorted and the
    // hotlist saved, and the answer is 1. Anything else deletes the entry
    // and answers 0.
    int EditNewItem(HotlistFolder* folder, std::unique_ptr<HotlistItem> item, HWND owner);
    // An entry for the document the window shows (its title, else its
    // address), given to EditNewItem. 0 when the window shows none.
    int AddWindowDocument(HWND view);

private:
    bool Read();

    std::unique_ptr<HotlistFolder> root_;
    HotlistFolder* active_ = nullptr;
    std::string path_;
    bool saveDisabled_ = false;
};

// The program's hotlist, or null before start-up made it.
Hotlist* GetHotlist();
// Makes the hotlist of the file, installs the document windows' hook into it
// and registers its commands; DestroyHotlist undoes it.
void CreateHotlist(const char* path);
void DestroyHotlist();

// Opens an entry: a URL entry its address, a folder every URL entry in it.
// With newWindow (or askShift and Shift held) in a new document window,
// else in the target window (the active one when null). The window that
// loads (the last one for a folder), or null.
HWND OpenHotlistItem(HotlistItem& item, bool newWindow, HWND target, bool askShift);

// The hotlist window's trees would be rebuilt here; there is no window yet.
void RefreshHotlistTrees(int flag);
