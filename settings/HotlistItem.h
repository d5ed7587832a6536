// The user's saved addresses: a tree of folders holding URL entries and
// further folders. Every entry is a TreeNode, its sibling order the order
// the user sees; a folder owns its children. Taking an entry out of the
// tree without deleting it is a Detach followed by a delete or by an
// append elsewhere.
#pragma once
#include <cstdint>
#include <string>

#include "core/TreeNode.h"

// Seconds since 1 January 1970; 0 means never (visited) or undated.
using HotlistTime = uint32_t;
// The clock that stamps entries; null puts the system's back.
using HotlistClock = HotlistTime (*)();
void SetHotlistClock(HotlistClock clock);
HotlistTime HotlistNow();

// Sort keys of a folder (flags).
enum HotlistSortKey : uint32_t {
    kSortByOrder = 0x0010,
    kSortByTitle = 0x0400,
    kSortByCreated = 0x0800,
    kSortByVisited = 0x1000,
};

// Menu command ids of entries: drawn from one counter from 1034 up to
// 32758, where it starts again; a folder owns its id and the 15 after it.
constexpr uint32_t kFirstHotlistCommand = 1034;
constexpr uint32_t kLastHotlistCommand = 32758;
constexpr uint32_t kFolderCommandBlock = 15;

class HotlistFolder;

class HotlistItem : public TreeNode {
public:
    ~HotlistItem() override = default;
    HotlistItem(const HotlistItem&) = delete;
    HotlistItem& operator=(const HotlistItem&) = delete;

    virtual bool IsFolder() const = 0;
    virtual bool IsUrl() const = 0;

    // An empty text stands for none.
    const std::string& Name() const { return name_; }
    const std::string& ShortName() const { return shortName_; }
    const std::string& Description() const { return description_; }
    void SetName(std::string name) { name_ = std::move(name); }
    void SetShortName(std::string name) { shortName_ = std::move(name); }
    void SetDescription(std::string text) { description_ = std::move(text); }

    int32_t order = -1;
    HotlistTime created = 0;
    HotlistTime visited = 0;
    uint32_t CommandId() const { return commandId_; }

    HotlistFolder* ParentFolder() const;
    HotlistItem* NextItem() const { return static_cast<HotlistItem*>(NextSibling()); }
    HotlistItem* FirstItem() const { return static_cast<HotlistItem*>(FirstChild()); }

protected:
    // Stamps the entry with the clock and the next command id.
    HotlistItem();
    // The texts and times of the other; a command id of its own.
    void CopyFieldsFrom(const HotlistItem& other);

private:
    std::string name_;
    std::string shortName_;
    std::string description_;
    uint32_t commandId_ = 0;
    friend class HotlistFolder;
};

class HotlistUrl : public HotlistItem {
public:
    HotlistUrl() = default;
    HotlistUrl(std::string name, std::string url);
    // A copy with a command id of its own.
    explicit HotlistUrl(const HotlistUrl& other);

    bool IsFolder() const override { return false; }
    bool IsUrl() const override { return true; }
    const std::string& Url() const { return url_; }
    void SetUrl(std::string url) { url_ = std::move(url); }

private:
    std::string url_;
};

class HotlistFolder : public HotlistItem {
public:
    // A top folder sorts by title; a sub-folder takes its parent's key when
    // it is appended through AppendItem.
    HotlistFolder();
    explicit HotlistFolder(std::string name);
    // A deep copy: URL entries and folders below, each with ids of their own.
    explicit HotlistFolder(const HotlistFolder& other);

    bool IsFolder() const override { return true; }
    bool IsUrl() const override { return false; }

    bool containsActive = false;  // an ancestor of the active folder
    bool active = false;
    bool activeInWindow = false;
    uint32_t sortKey = kSortByTitle;
    bool ascending = true;
    bool expanded = false;

    // Links the entry as the last child; a new folder takes this one's sort
    // key.
    void AppendItem(HotlistItem& item);
    // Deletes every entry below.
    void Clear();
    // Orders the children by the sort key and direction; with recursive,
    // every sub-folder takes this folder's key and direction and is sorted
    // the same way.
    void Sort(bool recursive);
    // Order numbers first, first + 1, ... in the current order; sub-folders
    // from 0 with recursive.
    void Renumber(int32_t first, bool recursive);
    // Switches the active marks of the folder (and its ancestors') on or off.
    void SetActive(bool on);
};

// Compares two entries of the folder as its sort key and direction say:
// negative when a comes first.
int CompareHotlistItems(const HotlistFolder& folder, const HotlistItem& a, const HotlistItem& b);

// Depth-first, in order, below the folder: the first entry whose short name
// is the text (letter case aside); null for an empty text.
HotlistItem* FindByShortName(const HotlistFolder& folder, const std::string& text);
// Every URL entry below the folder whose address is exactly the URL gets
// visited = now; whether any did.
bool MarkUrlVisited(HotlistFolder& folder, const std::string& url);
// The entry of a menu command id below the folder, or null.
HotlistItem* FindByCommandId(const HotlistFolder& folder, uint32_t id);
// A nickname the user may give: no '.', ':' or '/' (typed, it would be
// taken for an address).
bool IsValidNickname(const std::string& nickname);
