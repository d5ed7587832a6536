#include "settings/HotlistCommands.h"

#include <memory>
#include <string>

#include "core/AppGlobals.h"
#include "core/CommandDispatcher.h"
#include "documents/Document.h"
#include "documents/ElementText.h"
#include "net/UrlHandle.h"
#include "resources/CoreIds.h"
#include "settings/Hotlist.h"
#include "windows/TypedAddress.h"
#include "windows/ViewMouse.h"
#include "windows/WindowCommands.h"
#include "windows/WindowList.h"

namespace {

// Longest link text taken as an entry's title.
constexpr int kLongestLinkTitle = 1024;

HWND DialogOwner(HWND view) {
    if (g_frameWindow) return g_frameWindow;
    DocumentWindow* w = g_windowList ? g_windowList->FindWindowById(view) : nullptr;
    return w ? w->Frame() : nullptr;
}

void AddEntry(const std::string& title, const char* address, HWND view) {
    Hotlist* hotlist = GetHotlist();
    if (!hotlist || !address || !*address) return;
    auto item = std::make_unique<HotlistUrl>(title.empty() ? address : title, address);
    if (hotlist->EditNewItem(nullptr, std::move(item), DialogOwner(view))) RefreshHotlistTrees(0);
}

// Ctrl+T and the frame menu: the active window's document; the page menu:
// the document of the window it was opened in.
LRESULT CmdAddWindowToHotlist(HWND window, UINT, WPARAM, LPARAM) {
    Hotlist* hotlist = GetHotlist();
    if (hotlist && hotlist->AddWindowDocument(CommandTargetWindow(window))) RefreshHotlistTrees(0);
    return 0;
}

// The Frame submenu: the document of the frame the menu was opened on.
LRESULT CmdAddFrameToHotlist(HWND, UINT, WPARAM, LPARAM) {
    HWND owner = nullptr;
    Document* d = ContextMenuDocument(&owner);
    if (!d) return 0;
    const char* title = d->GetTitle();
    AddEntry(title ? TrimTypedText(title) : "", d->GetUrl().GetName(), owner);
    return 0;
}

// The link menus: the link's address, named by the link's text.
LRESULT CmdLinkToHotlist(HWND window, UINT, WPARAM, LPARAM) {
    UrlHandle link = g_windowList ? g_windowList->ContextUrl() : UrlHandle();
    if (link.IsEmpty()) return 0;
    std::string title;
    if (HtmlElement* element = ContextMenuLink()) {
        char text[kLongestLinkTitle + 1] = "";
        if (RenderElementText(element, text, sizeof text) > 0) title = TrimTypedText(text);
    }
    AddEntry(title, link.GetName(), CommandTargetWindow(window));
    return 0;
}

}  // namespace

void RegisterHotlistCommands() {
    static const CommandBinding bindings[] = {
        {CMD_ADD_ACTIVE_TO_HOTLIST, CmdAddWindowToHotlist},
        {CMD_DOC_ADD_HOTLIST, CmdAddWindowToHotlist},
        {CMD_FRAME_ADD_HOTLIST, CmdAddFrameToHotlist},
        {CMD_LINK_ADD_HOTLIST, CmdLinkToHotlist},
        {CMD_IMGLINK_ADD_HOTLIST, CmdLinkToHotlist},
    };
    RegisterCommands(bindings);
}
