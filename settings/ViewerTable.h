// The viewer table: what the browser does with a document of each MIME type
// (or, failing that, of each file extension): show it, save it, start a
// program, open it with the system's association, run it, hand it to a
// plug-in, or ask the user.
//
// One global table is built at start-up from the old per-type ini sections,
// the [FILE TYPES] lines of the program's and the override ini file, the 51
// built-in rows and the plug-in scan (ViewerTableIni.cpp, PluginScan.cpp).
// The "Associate" dialog edits a copy and puts it in place of the global
// one. The table and its line format are platform-free.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/ListNode.h"

enum ViewerAction : int {
    kViewerNone = -1,  // the answer of lookups when there is no entry
    kViewerAsk = 0,
    kViewerSave = 1,
    kViewerShow = 2,
    kViewerProgram = 3,
    kViewerRegistered = 4,
    kViewerRun = 5,
    kViewerPlugin = 6,
};

// Internal types (the content kind of a URL record) of the built-in rows.
enum ViewerType : int32_t {
    kTypeHtml = 0,
    kTypePlainText = 1,
    kTypeGif = 2,
    kTypeJpeg = 3,
    kTypeXBitmap = 4,
    kTypeBmp = 5,
    kTypeCpr = 6,
    kTypeWav = 7,
    kTypeMidi = 8,
    kTypeAvi = 9,
    kTypeUserCert = 17,
    kTypeCaCert = 18,
    kTypePem = 19,
    kTypeMimeMessage = 21,
    kTypeScript = 22,
    kTypeOther = 30,
    kTypeUnknown = 31,
};

// Answers of AddEntry and the lookups.
constexpr int kViewerDuplicateType = -3;
constexpr int kViewerTooManyTypes = -4;
constexpr int kViewerNoSuchType = -7;
constexpr int kViewerNoSuchExtension = -8;

// A plug-in that declares a type: its library, product name and the text of
// its file-open dialog.
class ViewerPluginChoice : public ListNode {
public:
    ViewerPluginChoice(std::string path, std::string name, std::string openText)
        : path(std::move(path)), name(std::move(name)), openText(std::move(openText)) {}
    std::string path;
    std::string name;
    std::string openText;
};

// One scanned plug-in library.
class PluginLibraryRecord : public ListNode {
public:
    PluginLibraryRecord(std::string path, std::string productName)
        : path(std::move(path)), productName(std::move(productName)) {}
    std::string path;
    std::string productName;
};

class ViewerEntry : public ListNode {
public:
    ViewerEntry() = default;
    ~ViewerEntry() override { candidates.Clear(); }

    int action = kViewerAsk;
    std::optional<std::string> program;  // action 3's command
    std::string mimeType;                // the key, without case
    std::optional<std::string> extensions;
    int32_t internalType = kTypeOther;
    std::optional<std::string> pluginPath;  // the chosen plug-in of action 6
    std::optional<std::string> pluginName;
    bool fromSecondFile = false;
    uint16_t index = 0;     // unique for the run, never reused
    NodeList candidates;    // ViewerPluginChoice, one per plug-in declaring the type

    ViewerEntry* NextEntry() const { return static_cast<ViewerEntry*>(Next()); }
    ViewerPluginChoice* FirstCandidate() const { return static_cast<ViewerPluginChoice*>(candidates.First()); }
    // True when the list holds the extension (without case); items are split
    // at commas and blanks, leading dots dropped.
    bool HasExtension(std::string_view extension) const;
};

struct BuiltInViewerRow {
    const char* mimeType;
    const char* extensions;  // null: none
    uint16_t code;           // internal type x 256 + default action
};
constexpr int kBuiltInViewerRows = 51;
extern const BuiltInViewerRow kBuiltInViewerTable[kBuiltInViewerRows];

// One [FILE TYPES] line as its fields.
struct FileTypeLine {
    std::string mimeType;
    int action = 0;
    std::string program;
    std::string pluginPath;
    std::string pluginName;
    std::string extensions;
};
// Splits "type=action,program,plug-in path,plug-in name,extensions" (the
// extensions last, commas and all); blanks and TABs around fields dropped.
// With fields 4 the older layout "type=action,program,extensions" is read.
// False when the line does not have that many fields.
bool ParseFileTypeLine(std::string_view line, int fields, FileTypeLine& out);
// The value written for an entry (the part after "type=").
std::string FormatFileTypeValue(const ViewerEntry& entry);

class ViewerTable {
public:
    ViewerTable() = default;
    // A working copy: every entry with all its fields and candidates; the
    // indexes and the counter stay as they are.
    ViewerTable(const ViewerTable& other);
    ViewerTable& operator=(const ViewerTable&) = delete;
    ~ViewerTable();

    // The new entry's index, or kViewerDuplicateType when the type exists.
    int AddEntry(int action, std::string_view mimeType, const char* program, const char* extensions,
                 const char* pluginPath, const char* pluginName, bool fromSecondFile);
    void RemoveEntry(int index);
    // Built-in rows whose type is not in the table yet.
    void AddBuiltInRows();
    // The [FILE TYPES] lines of one ini file, as "key=value\0...\0\0" text:
    // each replaces the entry of its type. version 0 is the older layout.
    void ApplyFileTypesSection(const char* text, size_t length, int version, bool fromSecondFile);

    ViewerEntry* First() const { return static_cast<ViewerEntry*>(entries_.First()); }
    unsigned Count() const { return entries_.Count(); }
    ViewerEntry* FindByIndex(int index) const;
    ViewerEntry* FindByMimeType(std::string_view mimeType) const;
    // Index of the first entry listing the extension, else kViewerNoSuchExtension.
    int FindByExtension(std::string_view extension) const;
    // The catch-all entry "...".
    ViewerEntry* Fallback() const { return FindByMimeType("..."); }
    static bool IsBuiltInType(std::string_view mimeType);

    // The lookups other subsystems use, by type and by index.
    int ActionForMimeType(std::string_view mimeType) const;
    int TypeCodeForMimeType(std::string_view mimeType) const;  // the index, or kViewerNoSuchType
    int TypeCodeForExtension(std::string_view extension) const { return FindByExtension(extension); }
    const char* ExtensionsForCode(int index) const;
    const char* MimeTypeForCode(int index) const;
    // The MIME type of the entry at a position of the list (0-based), or null.
    const char* MimeTypeAt(unsigned position) const;

    // The plug-in scan's part: a library and the "|"-separated lists of its
    // version block, read in step (the n-th type with the n-th extension
    // group and open text). "*" is skipped; a type without an entry gets one
    // of action 6; every listed type gets the plug-in as a candidate.
    void RegisterPlugin(const std::string& path, const std::string& productName, const char* mimeTypes,
                        const char* extents, const char* openNames);
    // Empties the library list and every candidate list (a new scan).
    void ForgetPlugins();
    // Chooses each entry's plug-in: a chosen one that is no candidate is
    // replaced by the first candidate; action 6 without any falls back to 0.
    // makeDefault (when set) is asked for an entry with a chosen plug-in
    // whose action is not 6; true makes the plug-in its action.
    void ResolvePlugins(const std::function<bool(const ViewerEntry&)>& makeDefault);

    NodeList& Plugins() { return plugins_; }
    uint16_t Counter() const { return counter_; }

private:
    NodeList entries_;
    NodeList plugins_;
    uint16_t counter_ = 0;
};

// The global table (null before start-up built it). AdoptViewerTable puts
// a table in place and deletes the one before it (null: none is left).
ViewerTable* GetViewerTable();
void AdoptViewerTable(std::unique_ptr<ViewerTable> table);
