#include "settings/ViewerTable.h"

#include <cstdlib>

#include "core/StringHelpers.h"

namespace {

std::unique_ptr<ViewerTable> g_table;

constexpr uint16_t Row(int type, int action) {
    return static_cast<uint16_t>(type * 256 + action);
}

bool IsFieldBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view TrimField(std::string_view s) {
    while (!s.empty() && IsFieldBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsFieldBlank(s.back())) s.remove_suffix(1);
    return s;
}

std::optional<std::string> Optional(const char* text) {
    if (text == nullptr || *text == '\0') return std::nullopt;
    return std::string(text);
}

const char* Text(const std::optional<std::string>& s) {
    return s ? s->c_str() : nullptr;
}

}  // namespace

const BuiltInViewerRow kBuiltInViewerTable[kBuiltInViewerRows] = {
    {"...", nullptr, Row(30, 0)},
    {"text/html", "htm,html", Row(0, 2)},
    {"text/plain", "txt", Row(1, 2)},
    {"image/gif", "gif", Row(2, 2)},
    {"image/jpeg", "jpeg,jpe,jpg", Row(3, 2)},
    {"image/x-xbitmap", "xbm", Row(4, 2)},
    {"image/x-windows-bmp", "bmp", Row(5, 2)},
    {"audio/x-wav", "wav", Row(7, 2)},
    {"video/x-msvideo", "avi", Row(9, 2)},
    {"audio/midi", "midi, mid", Row(8, 2)},
    {"audio/x-midi", "midi, mid", Row(8, 2)},
    {"image/x-cpr", "cpr", Row(6, 2)},
    {"audio/wav", "wav", Row(7, 2)},
    {"video/msvideo", "avi", Row(9, 2)},
    {"application/msword", "doc", Row(30, 0)},
    {"application/octet-stream", "", Row(30, 0)},
    {"application/pdf", "pdf", Row(30, 0)},
    {"application/postscript", "ps", Row(30, 0)},
    {"application/rtf", "rtf", Row(30, 0)},
    {"application/sgml", "", Row(30, 0)},
    {"application/wordperfect5.1", "doc", Row(30, 0)},
    {"application/zip", "zip", Row(30, 0)},
    {"audio/basic", "au", Row(30, 0)},
    {"image/g3fax", "", Row(30, 0)},
    {"image/tiff", "tif,tiff", Row(30, 0)},
    {"text/enriched", "", Row(30, 0)},
    {"text/plain", "", Row(30, 0)},  // never used: row 2 comes first
    {"text/richtext", "", Row(30, 0)},
    {"text/sgml", "", Row(30, 0)},
    {"video/mpeg", "mpg,mpeg", Row(30, 0)},
    {"video/quicktime", "", Row(30, 0)},
    {"application/pgp", "", Row(30, 0)},
    {"application/x-framemaker", "", Row(30, 0)},
    {"applicaton/x-gtar", "", Row(30, 0)},  // spelt so in every table written so far
    {"application/x-latex", "", Row(30, 0)},
    {"application/x-mif", "", Row(30, 0)},
    {"application/x-tar", "", Row(30, 0)},
    {"application/x-tex", "", Row(30, 0)},
    {"application/x-troff", "", Row(30, 0)},
    {"application/x-troff-man", "", Row(30, 0)},
    {"application/x-wais-source", "", Row(30, 0)},
    {"audio/x-aiff", "", Row(30, 0)},
    {"audio/x-macaudio", "", Row(30, 0)},
    {"audio/x-next", "", Row(30, 0)},
    {"image/x-pict", "", Row(30, 0)},
    {"image/x-xbm", "", Row(30, 0)},
    {"application/x-x509-user-cert", "usr", Row(17, 2)},
    {"application/x-x509-ca-cert", "crt,ca", Row(18, 2)},
    {"application/x-pem-file", "pem", Row(19, 2)},
    {"application/mime", "mim, mime", Row(21, 2)},
    {"application/x-javascript", "js", Row(22, 2)},
};

ViewerTable* GetViewerTable() {
    return g_table.get();
}

void AdoptViewerTable(std::unique_ptr<ViewerTable> table) {
    g_table = std::move(table);
}

bool ViewerEntry::HasExtension(std::string_view extension) const {
    while (!extension.empty() && extension.front() == '.') extension.remove_prefix(1);
    if (!extensions || extension.empty()) return false;
    std::string_view list = *extensions;
    while (!list.empty()) {
        size_t end = list.find_first_of(", \t");
        std::string_view item = list.substr(0, end);
        while (!item.empty() && item.front() == '.') item.remove_prefix(1);
        if (!item.empty() && EqualsNoCase(item, extension)) return true;
        list = end == list.npos ? std::string_view() : list.substr(end + 1);
    }
    return false;
}

bool ParseFileTypeLine(std::string_view line, int fields, FileTypeLine& out) {
    size_t equals = line.find('=');
    if (equals == line.npos) return false;
    std::vector<std::string_view> parts{TrimField(line.substr(0, equals))};
    std::string_view rest = line.substr(equals + 1);
    while (static_cast<int>(parts.size()) < fields - 1) {
        size_t comma = rest.find(',');
        if (comma == rest.npos) break;
        parts.push_back(TrimField(rest.substr(0, comma)));
        rest = rest.substr(comma + 1);
    }
    parts.push_back(TrimField(rest));
    if (static_cast<int>(parts.size()) != fields || parts[0].empty()) return false;
    std::string action(parts[1]);
    char* end = nullptr;
    long value = std::strtol(action.c_str(), &end, 10);
    if (action.empty() || *end != '\0') return false;
    out = FileTypeLine();
    out.mimeType = std::string(parts[0]);
    out.action = static_cast<int>(value);
    out.program = std::string(parts[2]);
    if (fields == 4) {
        out.extensions = std::string(parts[3]);
    } else {
        out.pluginPath = std::string(parts[3]);
        out.pluginName = std::string(parts[4]);
        out.extensions = std::string(parts[5]);
    }
    return true;
}

std::string FormatFileTypeValue(const ViewerEntry& e) {
    auto text = [](const std::optional<std::string>& s) { return s ? *s : std::string(); };
    return std::to_string(e.action) + "," + text(e.program) + "," + text(e.pluginPath) + "," +
           text(e.pluginName) + "," + text(e.extensions);
}

ViewerTable::ViewerTable(const ViewerTable& other) : counter_(other.counter_) {
    for (ViewerEntry* e = other.First(); e; e = e->NextEntry()) {
        auto* copy = new ViewerEntry;
        copy->action = e->action;
        copy->program = e->program;
        copy->mimeType = e->mimeType;
        copy->extensions = e->extensions;
        copy->internalType = e->internalType;
        copy->pluginPath = e->pluginPath;
        copy->pluginName = e->pluginName;
        copy->fromSecondFile = e->fromSecondFile;
        copy->index = e->index;
        for (auto* c = e->FirstCandidate(); c; c = static_cast<ViewerPluginChoice*>(c->Next()))
            (new ViewerPluginChoice(c->path, c->name, c->openText))->AppendTo(copy->candidates);
        copy->AppendTo(entries_);
    }
    for (ListNode* n = other.plugins_.First(); n; n = n->Next()) {
        auto* p = static_cast<PluginLibraryRecord*>(n);
        (new PluginLibraryRecord(p->path, p->productName))->AppendTo(plugins_);
    }
}

ViewerTable::~ViewerTable() {
    entries_.Clear();
    plugins_.Clear();
}

int ViewerTable::AddEntry(int action, std::string_view mimeType, const char* program, const char* extensions,
                          const char* pluginPath, const char* pluginName, bool fromSecondFile) {
    if (FindByMimeType(mimeType)) return kViewerDuplicateType;
    if (counter_ == 0xFFFF) return kViewerTooManyTypes;
    auto* e = new ViewerEntry;
    e->action = static_cast<int8_t>(action);
    e->mimeType = std::string(mimeType);
    e->program = Optional(program);
    e->extensions = Optional(extensions);
    e->pluginPath = Optional(pluginPath);
    e->pluginName = Optional(pluginName);
    e->fromSecondFile = fromSecondFile;
    e->index = counter_++;
    for (const BuiltInViewerRow& row : kBuiltInViewerTable) {
        if (EqualsNoCase(row.mimeType, mimeType)) {
            e->internalType = row.code >> 8;
            break;
        }
    }
    e->AppendTo(entries_);
    return e->index;
}

void ViewerTable::RemoveEntry(int index) {
    if (ViewerEntry* e = FindByIndex(index)) {
        e->Remove();
        delete e;
    }
}

void ViewerTable::AddBuiltInRows() {
    for (const BuiltInViewerRow& row : kBuiltInViewerTable) {
        if (FindByMimeType(row.mimeType)) continue;
        (void)AddEntry(row.code & 0xFF, row.mimeType, nullptr, row.extensions, nullptr, nullptr, false);
    }
}

void ViewerTable::ApplyFileTypesSection(const char* text, size_t length, int version, bool fromSecondFile) {
    int fields = version != 0 ? 6 : 4;
    // Every line is read in one layout: the first line of a section is no
    // different from the others.
    for (size_t pos = 0; pos < length && text[pos] != '\0';) {
        std::string_view line(text + pos);
        pos += line.size() + 1;
        FileTypeLine f;
        if (!ParseFileTypeLine(line, fields, f)) continue;
        if (ViewerEntry* old = FindByMimeType(f.mimeType)) RemoveEntry(old->index);
        (void)AddEntry(f.action, f.mimeType, f.program.c_str(), f.extensions.c_str(), f.pluginPath.c_str(),
                       f.pluginName.c_str(), fromSecondFile);
    }
}

ViewerEntry* ViewerTable::FindByIndex(int index) const {
    for (ViewerEntry* e = First(); e; e = e->NextEntry()) {
        if (e->index == index) return e;
    }
    return nullptr;
}

ViewerEntry* ViewerTable::FindByMimeType(std::string_view mimeType) const {
    for (ViewerEntry* e = First(); e; e = e->NextEntry()) {
        if (EqualsNoCase(e->mimeType, mimeType)) return e;
    }
    return nullptr;
}

int ViewerTable::FindByExtension(std::string_view extension) const {
    for (ViewerEntry* e = First(); e; e = e->NextEntry()) {
        if (e->HasExtension(extension)) return e->index;
    }
    return kViewerNoSuchExtension;
}

bool ViewerTable::IsBuiltInType(std::string_view mimeType) {
    for (const BuiltInViewerRow& row : kBuiltInViewerTable) {
        if (EqualsNoCase(row.mimeType, mimeType)) return true;
    }
    return false;
}

int ViewerTable::ActionForMimeType(std::string_view mimeType) const {
    ViewerEntry* e = FindByMimeType(mimeType);
    return e ? e->action : kViewerNone;
}

int ViewerTable::TypeCodeForMimeType(std::string_view mimeType) const {
    ViewerEntry* e = FindByMimeType(mimeType);
    return e ? e->index : kViewerNoSuchType;
}

const char* ViewerTable::ExtensionsForCode(int index) const {
    ViewerEntry* e = FindByIndex(index);
    return e ? Text(e->extensions) : nullptr;
}

const char* ViewerTable::MimeTypeForCode(int index) const {
    ViewerEntry* e = FindByIndex(index);
    return e ? e->mimeType.c_str() : nullptr;
}

const char* ViewerTable::MimeTypeAt(unsigned position) const {
    ViewerEntry* e = First();
    for (; e && position > 0; --position) e = e->NextEntry();
    return e ? e->mimeType.c_str() : nullptr;
}

namespace {

// The n-th item of a "|"-separated list, or empty.
std::string ListItem(const char* list, size_t n) {
    if (list == nullptr) return std::string();
    std::string_view rest(list);
    for (; n > 0; --n) {
        size_t bar = rest.find('|');
        if (bar == rest.npos) return std::string();
        rest.remove_prefix(bar + 1);
    }
    return std::string(rest.substr(0, rest.find('|')));
}

}  // namespace

void ViewerTable::RegisterPlugin(const std::string& path, const std::string& productName, const char* mimeTypes,
                                 const char* extents, const char* openNames) {
    (new PluginLibraryRecord(path, productName))->AppendTo(plugins_);
    if (mimeTypes == nullptr) return;
    size_t count = 1;
    for (const char* p = mimeTypes; *p; ++p) count += *p == '|';
    for (size_t n = 0; n < count; ++n) {
        std::string type(TrimField(ListItem(mimeTypes, n)));
        if (type.empty() || type == "*") continue;
        std::string extensions = ListItem(extents, n);
        ViewerEntry* e = FindByMimeType(type);
        if (e == nullptr) {
            int index = AddEntry(kViewerPlugin, type, nullptr, extensions.c_str(), path.c_str(),
                                 productName.c_str(), false);
            e = FindByIndex(index);
            if (e == nullptr) continue;
        }
        (new ViewerPluginChoice(path, productName, ListItem(openNames, n)))->AppendTo(e->candidates);
    }
}

void ViewerTable::ForgetPlugins() {
    plugins_.Clear();
    for (ViewerEntry* e = First(); e; e = e->NextEntry()) e->candidates.Clear();
}

void ViewerTable::ResolvePlugins(const std::function<bool(const ViewerEntry&)>& makeDefault) {
    for (ViewerEntry* e = First(); e; e = e->NextEntry()) {
        bool chosenIsCandidate = false;
        for (auto* c = e->FirstCandidate(); c && e->pluginPath; c = static_cast<ViewerPluginChoice*>(c->Next()))
            chosenIsCandidate |= EqualsNoCase(c->path, *e->pluginPath);
        if (!chosenIsCandidate) {
            if (ViewerPluginChoice* first = e->FirstCandidate()) {
                e->pluginPath = first->path;
                e->pluginName = first->name;
            } else if (e->action == kViewerPlugin) {
                e->action = kViewerAsk;
            }
        }
        if (makeDefault && e->pluginPath && e->FirstCandidate() && e->action != kViewerPlugin && makeDefault(*e))
            e->action = kViewerPlugin;
    }
}
