#include "settings/Hotlist.h"

#include <string>

#include "core/AppGlobals.h"
#include "core/MessageBoxes.h"
#include "core/Win32Utilities.h"
#include "documents/Document.h"
#include "net/UrlHandle.h"
#include "settings/HotlistCommands.h"
#include "settings/HotlistFile.h"
#include "settings/HotlistItemDialog.h"
#include "windows/HotlistHook.h"
#include "windows/OpenUrl.h"
#include "windows/TypedAddress.h"
#include "windows/WindowList.h"

namespace {

const char kReadErrorCaption[] = "Hotlist Read Error";

enum class FileRead { Read, Missing, Failed };

// The whole file, read while others may not write it.
FileRead ReadWholeFile(const std::string& path, std::string* text) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? FileRead::Missing : FileRead::Failed;
    }
    text->clear();
    char buffer[16384];
    bool ok = true;
    for (;;) {
        DWORD got = 0;
        ok = ReadFile(file, buffer, sizeof buffer, &got, nullptr) != 0;
        if (!ok || !got) break;
        text->append(buffer, got);
    }
    CloseHandle(file);
    return ok ? FileRead::Read : FileRead::Failed;
}

// Writes a fresh file beside the old one and puts it in its place, so that
// a write cut short leaves the old file whole.
bool ReplaceWholeFile(const std::string& path, const std::string& text) {
    const std::string fresh = path + ".new";
    HANDLE file = CreateFileA(fresh.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    bool ok = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) != 0 &&
              written == text.size();
    ok = FlushFileBuffers(file) != 0 && ok;
    ok = CloseHandle(file) != 0 && ok;
    if (ok && MoveFileExA(fresh.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    DeleteFileA(fresh.c_str());
    return false;
}

bool ShiftHeld() {
    return (GetKeyState(VK_SHIFT) & 0x8000) != 0;
}

HWND OpenUrlEntry(const HotlistUrl& entry, bool newWindow, HWND target) {
    if (entry.Url().empty() || !g_windowList) return nullptr;
    if (newWindow) {
        int tile = 1;
        target = g_windowList->OpenNewWindow(&tile);
        if (!target) return nullptr;
    } else if (!target) {
        target = g_windowList->GetActiveWindow();
    }
    // The address as it was kept, never taken for a nickname again (an
    // entry whose address is a single word would open itself for ever).
    return OpenAddress(target, entry.Url().c_str(), nullptr, true, 0);
}

// The document windows reach the hotlist through this.
class HotlistWindows : public HotlistHook {
public:
    bool OpenNickname(HWND window, const std::string& word, HWND* loading) override {
        Hotlist* hotlist = GetHotlist();
        HotlistItem* item = hotlist ? hotlist->FindUrl(word) : nullptr;
        if (!item) return false;
        *loading = OpenHotlistItem(*item, false, window, true);
        return true;
    }
    void MarkVisited(const char* url) override {
        Hotlist* hotlist = GetHotlist();
        // The visit is kept in the file, as an edit would be.
        if (hotlist && hotlist->MarkVisited(url)) (void)hotlist->Save();
    }
};

HotlistWindows g_hotlistWindows;
std::unique_ptr<Hotlist> g_hotlist;

}  // namespace

Hotlist::Hotlist(const char* path) : root_(std::make_unique<HotlistFolder>("ROOT")), path_(path ? path : "") {
    active_ = root_.get();
    active_->SetActive(true);
    saveDisabled_ = !path_.empty() && FileExists(path_.c_str()) && !IsFileWritable(path_.c_str());
    while (!Read()) {
        const std::string text = "Could not open hotlist file:\n\n\"" + path_ +
                                 "\"\n\nThe file might be in use by another application or \nremoved from location "
                                 "above.  Changes to the hotlist\nwill not be preserved until a valid hotlist file "
                                 "is selected";
        if (ShowTextBox(nullptr, text.c_str(), kReadErrorCaption, MB_RETRYCANCEL | MB_ICONSTOP) != IDRETRY) {
            // Nothing may overwrite the file the user may still mend.
            path_.clear();
            break;
        }
    }
}

Hotlist::~Hotlist() = default;

bool Hotlist::Read() {
    if (path_.empty()) return true;
    std::string text;
    const FileRead read = ReadWholeFile(path_, &text);
    if (read == FileRead::Missing) return true;
    HotlistFolder* marked = nullptr;
    if (read == FileRead::Failed || !LoadHotlistText(text, *root_, &marked, nullptr)) return false;
    root_->Sort(true);
    SetActiveFolder(marked);
    return true;
}

void Hotlist::SetActiveFolder(HotlistFolder* folder) {
    active_->SetActive(false);
    active_ = folder ? folder : root_.get();
    active_->SetActive(true);
}

bool Hotlist::Save() {
    if (saveDisabled_ || path_.empty()) return false;
    return ReplaceWholeFile(path_, WriteHotlistText(*root_, active_));
}

HotlistItem* Hotlist::FindUrl(const std::string& text) {
    return FindByShortName(*root_, text);
}

bool Hotlist::MarkVisited(const char* url) {
    const bool any = url && MarkUrlVisited(*root_, url);
    if (any) RefreshHotlistTrees(1);
    return any;
}

int Hotlist::EditNewItem(HotlistFolder* folder, std::unique_ptr<HotlistItem> item, HWND owner) {
    if (!item) return 0;
    HotlistFolder& into = folder ? *folder : *active_;
    if (!EditHotlistItem(owner, *item, into, saveDisabled_)) return 0;
    into.AppendItem(*item.release());
    into.Sort(false);
    if (!Save() && !saveDisabled_ && !path_.empty()) {
        // Kept for this run; the user learns that the file did not take it.
        const std::string text = "The hotlist could not be written to\n\n\"" + path_ + "\"";
        (void)ShowTextBox(owner, text.c_str(), "Hotlist Write Error", MB_OK | MB_ICONSTOP);
    }
    return 1;
}

int Hotlist::AddWindowDocument(HWND view) {
    if (!g_windowList) return 0;
    if (!view) view = g_windowList->GetActiveWindow();
    DocumentWindow* w = g_windowList->FindWindowById(view);
    Document* d = w ? w->CurrentDocument() : nullptr;
    const char* address = d ? d->GetUrl().GetName() : nullptr;
    if (!address) return 0;
    const std::string title = TrimTypedText(d->GetTitle() ? d->GetTitle() : "");
    auto item = std::make_unique<HotlistUrl>(title.empty() ? address : title, address);
    item->visited = HotlistNow();
    return EditNewItem(nullptr, std::move(item), g_frameWindow ? g_frameWindow : w->Frame());
}

Hotlist* GetHotlist() {
    return g_hotlist.get();
}

void CreateHotlist(const char* path) {
    g_hotlist = std::make_unique<Hotlist>(path);
    SetHotlistHook(&g_hotlistWindows);
    RegisterHotlistCommands();
}

void DestroyHotlist() {
    SetHotlistHook(nullptr);
    g_hotlist.reset();
}

HWND OpenHotlistItem(HotlistItem& item, bool newWindow, HWND target, bool askShift) {
    if (askShift && !newWindow) newWindow = ShiftHeld();
    if (item.IsUrl()) return OpenUrlEntry(static_cast<HotlistUrl&>(item), newWindow, target);
    HWND last = nullptr;
    for (HotlistItem* child = item.FirstItem(); child; child = child->NextItem()) {
        if (child->IsUrl()) {
            if (HWND opened = OpenUrlEntry(static_cast<HotlistUrl&>(*child), newWindow, nullptr)) last = opened;
        }
    }
    item.visited = HotlistNow();
    return last;
}

void RefreshHotlistTrees(int) {}
