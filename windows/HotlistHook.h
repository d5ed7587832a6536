// The hotlist sits above the document windows: they reach it through this
// hook, which the hotlist installs when it is made and takes away before it
// goes. Without a hook there is no hotlist, and the calls do nothing.
#pragma once
#include <windows.h>

#include <string>

class HotlistHook {
public:
    virtual ~HotlistHook() = default;
    // A typed word that is the nickname of an entry: the entry opens itself
    // (in the window, or a new one with Shift held) and *loading is the
    // window that loads. False when no entry has that nickname.
    virtual bool OpenNickname(HWND window, const std::string& word, HWND* loading) = 0;
    // A document of the address has loaded: its entries are marked visited.
    virtual void MarkVisited(const char* url) = 0;
};

inline HotlistHook*& HotlistHookSlot() {
    static HotlistHook* hook = nullptr;
    return hook;
}
inline void SetHotlistHook(HotlistHook* hook) {
    HotlistHookSlot() = hook;
}
inline HotlistHook* GetHotlistHook() {
    return HotlistHookSlot();
}
