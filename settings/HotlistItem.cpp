#include "settings/HotlistItem.h"

#include <algorithm>
#include <cctype>
#include <ctime>
#include <vector>

namespace {

HotlistTime SystemClock() {
    return static_cast<HotlistTime>(std::time(nullptr));
}

HotlistClock g_clock = SystemClock;
uint32_t g_lastCommandId = kFirstHotlistCommand;

uint32_t NextCommandId() {
    if (++g_lastCommandId == kLastHotlistCommand) g_lastCommandId = kFirstHotlistCommand;
    return g_lastCommandId;
}

int CompareNoCase(const std::string& a, const std::string& b) {
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        const int ca = std::tolower(static_cast<unsigned char>(a[i]));
        const int cb = std::tolower(static_cast<unsigned char>(b[i]));
        if (ca != cb) return ca - cb;
    }
    return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

bool EqualNoCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && CompareNoCase(a, b) == 0;
}

// Undated and never-visited entries sort last in ascending order.
int64_t TimeKey(HotlistTime t) {
    return t ? static_cast<int64_t>(t) : 0x7FFFFFFF;
}

int Sign(int64_t v) {
    return v < 0 ? -1 : v > 0 ? 1 : 0;
}

template <typename F>
HotlistItem* FindDepthFirst(const HotlistFolder& folder, F matches) {
    for (HotlistItem* item = folder.FirstItem(); item; item = item->NextItem()) {
        if (matches(*item)) return item;
        if (item->IsFolder()) {
            if (HotlistItem* found = FindDepthFirst(static_cast<const HotlistFolder&>(*item), matches)) return found;
        }
    }
    return nullptr;
}

}  // namespace

void SetHotlistClock(HotlistClock clock) {
    g_clock = clock ? clock : SystemClock;
}

HotlistTime HotlistNow() {
    return g_clock();
}

HotlistItem::HotlistItem() : created(HotlistNow()), commandId_(NextCommandId()) {}

void HotlistItem::CopyFieldsFrom(const HotlistItem& other) {
    name_ = other.name_;
    shortName_ = other.shortName_;
    description_ = other.description_;
    created = other.created;
    visited = other.visited;
}

HotlistFolder* HotlistItem::ParentFolder() const {
    return static_cast<HotlistFolder*>(Parent());
}

HotlistUrl::HotlistUrl(std::string name, std::string url) : url_(std::move(url)) {
    SetName(std::move(name));
}

HotlistUrl::HotlistUrl(const HotlistUrl& other) : HotlistItem(), url_(other.url_) {
    CopyFieldsFrom(other);
}

HotlistFolder::HotlistFolder() {
    // The folder's own commands follow its id.
    for (uint32_t i = 0; i < kFolderCommandBlock; ++i) (void)NextCommandId();
}

HotlistFolder::HotlistFolder(std::string name) : HotlistFolder() {
    SetName(std::move(name));
}

HotlistFolder::HotlistFolder(const HotlistFolder& other) : HotlistFolder() {
    CopyFieldsFrom(other);
    sortKey = other.sortKey;
    ascending = other.ascending;
    expanded = other.expanded;
    for (HotlistItem* child = other.FirstItem(); child; child = child->NextItem()) {
        HotlistItem* copy = nullptr;
        if (child->IsUrl()) copy = new HotlistUrl(static_cast<const HotlistUrl&>(*child));
        else if (child->IsFolder()) copy = new HotlistFolder(static_cast<const HotlistFolder&>(*child));
        if (copy) copy->AppendToParent(*this);
    }
}

void HotlistFolder::AppendItem(HotlistItem& item) {
    if (item.IsFolder() && !item.Parent() && !item.FirstChild()) {
        auto& folder = static_cast<HotlistFolder&>(item);
        folder.sortKey = sortKey;
    }
    if (item.Parent()) item.Detach();
    item.AppendToParent(*this);
}

void HotlistFolder::Clear() {
    while (HotlistItem* child = FirstItem()) {
        child->Detach();
        delete child;
    }
}

int CompareHotlistItems(const HotlistFolder& folder, const HotlistItem& a, const HotlistItem& b) {
    const uint32_t key = folder.sortKey;
    int result;
    if (key & kSortByTitle) {
        if (a.IsFolder() != b.IsFolder()) result = a.IsFolder() ? -1 : 1;
        else result = Sign(CompareNoCase(a.Name(), b.Name()));
    } else {
        int64_t difference;
        if (key & kSortByCreated) difference = TimeKey(a.created) - TimeKey(b.created);
        else if (key & kSortByVisited) difference = TimeKey(a.visited) - TimeKey(b.visited);
        else if (key & kSortByOrder) difference = static_cast<int64_t>(a.order) - b.order;
        else return 0;  // no key: the order stays as it is
        result = difference ? Sign(difference) : Sign(CompareNoCase(a.Name(), b.Name()));
    }
    // Order numbers are the user's own order, always ascending.
    const bool byOrder = !(key & (kSortByTitle | kSortByCreated | kSortByVisited));
    return folder.ascending || byOrder ? result : -result;
}

void HotlistFolder::Sort(bool recursive) {
    std::vector<HotlistItem*> items;
    items.reserve(ChildCount());
    for (HotlistItem* child = FirstItem(); child; child = child->NextItem()) items.push_back(child);
    std::stable_sort(items.begin(), items.end(), [this](const HotlistItem* a, const HotlistItem* b) {
        return CompareHotlistItems(*this, *a, *b) < 0;
    });
    for (HotlistItem* item : items) {
        item->Detach();
        item->AppendToParent(*this);
    }
    if (!recursive) return;
    for (HotlistItem* item : items) {
        if (!item->IsFolder()) continue;
        auto* folder = static_cast<HotlistFolder*>(item);
        folder->sortKey = sortKey;
        folder->ascending = ascending;
        folder->Sort(true);
    }
}

void HotlistFolder::Renumber(int32_t first, bool recursive) {
    for (HotlistItem* child = FirstItem(); child; child = child->NextItem()) {
        if (recursive && child->IsFolder()) static_cast<HotlistFolder*>(child)->Renumber(0, true);
        child->order = first++;
    }
}

void HotlistFolder::SetActive(bool on) {
    const bool was = active;
    active = activeInWindow = on;
    if (!on && !was) return;
    for (HotlistFolder* up = ParentFolder(); up; up = up->ParentFolder()) up->containsActive = on;
}

HotlistItem* FindByShortName(const HotlistFolder& folder, const std::string& text) {
    if (text.empty()) return nullptr;
    return FindDepthFirst(folder, [&](const HotlistItem& item) { return EqualNoCase(item.ShortName(), text); });
}

bool MarkUrlVisited(HotlistFolder& folder, const std::string& url) {
    bool any = false;
    const HotlistTime now = HotlistNow();
    (void)FindDepthFirst(folder, [&](HotlistItem& item) {
        if (item.IsUrl() && static_cast<HotlistUrl&>(item).Url() == url) {
            item.visited = now;
            any = true;
        }
        return false;
    });
    return any;
}

HotlistItem* FindByCommandId(const HotlistFolder& folder, uint32_t id) {
    if (id < kFirstHotlistCommand || id > kLastHotlistCommand) return nullptr;
    return FindDepthFirst(folder, [id](const HotlistItem& item) {
        const uint32_t own = item.CommandId();
        return id == own || (item.IsFolder() && id > own && id <= own + kFolderCommandBlock);
    });
}

bool IsValidNickname(const std::string& nickname) {
    return nickname.find_first_of(".:/") == std::string::npos;
}
