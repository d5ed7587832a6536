#include "settings/HotlistFile.h"

#include <cctype>
#include <cstdio>
#include <ctime>
#include <memory>

const char kHotlistHeader[] = "Zintu Hotlist version 2.0";

namespace {

const char kLineEnd[] = "\r\n";
// Deeper folders than this are taken for a damaged file: each level costs
// the reader a frame of its stack.
constexpr int kDeepestFolder = 200;

// A value as the reader will take it back: one line, without the blanks
// at its end that the reader trims.
std::string OneLine(const std::string& value) {
    std::string line = value;
    for (char& c : line)
        if (c == '\r' || c == '\n') c = ' ';
    while (!line.empty() && std::isspace(static_cast<unsigned char>(line.back()))) line.pop_back();
    return line;
}

void Key(std::string& out, const char* key, const std::string& value) {
    out += kLineEnd;
    out += '\t';
    out += key;
    out += '=';
    out += OneLine(value);
}

void WriteRecord(std::string& out, const HotlistItem& item, const HotlistFolder* activeFolder) {
    out += item.IsFolder() ? "#FOLDER" : "#URL";
    Key(out, "NAME", item.Name());
    if (item.IsUrl()) Key(out, "URL", static_cast<const HotlistUrl&>(item).Url());
    Key(out, "CREATED", HotlistFileTime(item.created));
    Key(out, "VISITED", HotlistFileTime(item.visited));
    Key(out, "ORDER", std::to_string(item.order));
    if (item.IsFolder()) {
        if (&item == activeFolder) Key(out, "ACTIVE FOLDER", "YES");
        if (static_cast<const HotlistFolder&>(item).expanded) Key(out, "EXPANDED", "YES");
    }
    if (!item.Description().empty()) Key(out, "DESCRIPTION", item.Description());
    if (!item.ShortName().empty()) Key(out, "SHORT NAME", item.ShortName());
    out += kLineEnd;
    out += kLineEnd;
}

void WriteFolder(std::string& out, const HotlistFolder& folder, const HotlistFolder* activeFolder) {
    for (const HotlistItem* item = folder.FirstItem(); item; item = item->NextItem()) {
        WriteRecord(out, *item, activeFolder);
        if (item->IsFolder()) WriteFolder(out, static_cast<const HotlistFolder&>(*item), activeFolder);
    }
    out += "-";
    out += kLineEnd;
}

// The leading decimal number of a value (blanks skipped, an optional sign);
// 0 without digits. Larger numbers than a time holds are cut to 32 bits.
int64_t LeadingNumber(const std::string& value) {
    size_t i = 0;
    while (i < value.size() && (value[i] == ' ' || value[i] == '\t')) ++i;
    bool negative = false;
    if (i < value.size() && (value[i] == '-' || value[i] == '+')) negative = value[i++] == '-';
    int64_t n = 0;
    for (; i < value.size() && std::isdigit(static_cast<unsigned char>(value[i])); ++i) {
        if (n < (int64_t{1} << 40)) n = n * 10 + (value[i] - '0');
    }
    return negative ? -n : n;
}

std::string Trim(const std::string& text, size_t begin, size_t end) {
    while (begin < end && std::isspace(static_cast<unsigned char>(text[begin]))) ++begin;
    while (end > begin && std::isspace(static_cast<unsigned char>(text[end - 1]))) --end;
    return text.substr(begin, end - begin);
}

class Reader {
public:
    explicit Reader(const std::string& text) : text_(text) {}

    bool Read(HotlistFolder& into, std::string* error) {
        std::string line;
        if (!NextLine(&line) || line != kHotlistHeader) {
            error_ = "the first line is not \"" + std::string(kHotlistHeader) + "\"";
        } else if (ReadChildren(into, 0)) {
            return true;
        }
        if (error) *error = error_;
        return false;
    }

    HotlistFolder* ActiveFolder() const { return activeMarked_; }

private:
    // The next line, trimmed; false at the end of the text.
    bool NextLine(std::string* line) {
        if (at_ >= text_.size()) return false;
        size_t end = text_.find('\n', at_);
        if (end == std::string::npos) end = text_.size();
        *line = Trim(text_, at_, end);
        at_ = end + 1;
        ++lineNumber_;
        return true;
    }

    bool Fail(const std::string& why) {
        error_ = "line " + std::to_string(lineNumber_) + ": " + why;
        return false;
    }

    // A record that was read is kept even when the blank line that should
    // close it is missing.
    void Keep(HotlistFolder& folder, std::unique_ptr<HotlistItem>& pending) {
        if (pending) folder.AppendItem(*pending.release());
    }

    void TakeKey(HotlistItem& item, const std::string& line) {
        const size_t equals = line.find('=');
        if (equals == std::string::npos || equals + 1 >= line.size()) return;
        const std::string value = line.substr(equals + 1);
        const bool folder = item.IsFolder();
        switch (line[0]) {
            case 'N': item.SetName(value); break;
            case 'U':
                if (!folder) static_cast<HotlistUrl&>(item).SetUrl(value);
                break;
            case 'D': item.SetDescription(value); break;
            case 'S': item.SetShortName(value); break;
            case 'C':
                if (value[0] != '-') item.created = static_cast<HotlistTime>(LeadingNumber(value));
                break;
            case 'V': item.visited = value[0] == '-' ? 0 : static_cast<HotlistTime>(LeadingNumber(value)); break;
            case 'O': item.order = static_cast<int32_t>(LeadingNumber(value)); break;
            case 'E':
                if (folder) static_cast<HotlistFolder&>(item).expanded = true;
                break;
            case 'A':
                if (folder && !activeMarked_) activeMarked_ = static_cast<HotlistFolder*>(&item);
                break;
            default: break;
        }
    }

    // The entries of a folder up to its "-" or the end of the text. A failure
    // inside a sub-folder ends that sub-folder only.
    bool ReadChildren(HotlistFolder& folder, int depth) {
        if (depth > kDeepestFolder) {
            deepFailure_ = true;
            return Fail("folders nested deeper than " + std::to_string(kDeepestFolder));
        }
        std::unique_ptr<HotlistItem> pending;
        std::string line;
        while (NextLine(&line)) {
            if (line.empty()) {
                if (!pending) continue;
                HotlistItem* item = pending.get();
                Keep(folder, pending);
                if (item->IsFolder()) {
                    (void)ReadChildren(static_cast<HotlistFolder&>(*item), depth + 1);
                    if (deepFailure_) return false;
                }
            } else if (line[0] == '#') {
                Keep(folder, pending);
                const char kind = line.size() > 1 ? line[1] : '\0';
                if (kind == 'F') pending = std::make_unique<HotlistFolder>();
                else if (kind == 'U') pending = std::make_unique<HotlistUrl>();
                else return Fail("\"" + line.substr(0, 40) + "\" is no record of a folder or an address");
            } else if (line[0] == '-') {
                Keep(folder, pending);
                return true;
            } else if (pending) {
                TakeKey(*pending, line);
            }
        }
        Keep(folder, pending);
        return true;
    }

    const std::string& text_;
    size_t at_ = 0;
    int lineNumber_ = 0;
    std::string error_;
    bool deepFailure_ = false;
    HotlistFolder* activeMarked_ = nullptr;  // the first folder marked active
};

// The older hotlist format: two lines of no interest, the number of
// folders, then each folder's name and number of items; an item is a title
// and a count, followed by one address (a count of 0 or 1) or by that many
// addresses of a sub-folder the title names.
class OlderReader {
public:
    explicit OlderReader(const std::string& text) : text_(text) {}

    bool Read(HotlistFolder& into, std::string* error) {
        std::string line;
        (void)NextLine(&line);
        (void)NextLine(&line);
        int64_t folders = 0;
        if (!Number(&folders) || folders < 1) return Fail(error, "no number of folders");
        for (int64_t f = 0; f < folders; ++f) {
            std::string name;
            int64_t items = 0;
            if (!NextLine(&name)) return Fail(error, "a folder is missing");
            if (!Number(&items) || items < 0) return Fail(error, "a folder has no number of items");
            auto* folder = new HotlistFolder(name.empty() ? "..." : name);
            into.AppendItem(*folder);
            for (int64_t i = 0; i < items; ++i) {
                if (!ReadItem(*folder)) return Fail(error, "an item is cut short");
            }
        }
        return true;
    }

private:
    bool ReadItem(HotlistFolder& folder) {
        std::string title, address;
        int64_t count = 0;
        if (!NextLine(&title) || !Number(&count)) return false;
        if (count <= 1) {
            if (!NextLine(&address)) return false;
            folder.AppendItem(*new HotlistUrl(title, address));
            return true;
        }
        auto* sub = new HotlistFolder(title);
        folder.AppendItem(*sub);
        for (int64_t i = 0; i < count; ++i) {
            if (!NextLine(&address)) return false;
            sub->AppendItem(*new HotlistUrl(address, address));
        }
        return true;
    }

    // The next line without its line end; false at the end of the text.
    bool NextLine(std::string* line) {
        if (at_ >= text_.size()) return false;
        size_t end = text_.find('\n', at_);
        if (end == std::string::npos) end = text_.size();
        size_t cut = end;
        if (cut > at_ && text_[cut - 1] == '\r') --cut;
        *line = text_.substr(at_, cut - at_);
        at_ = end + 1;
        ++lineNumber_;
        return true;
    }

    bool Number(int64_t* value) {
        std::string line;
        if (!NextLine(&line)) return false;
        *value = LeadingNumber(line);
        return true;
    }

    bool Fail(std::string* error, const char* why) {
        if (error) *error = "line " + std::to_string(lineNumber_) + ": " + why;
        return false;
    }

    const std::string& text_;
    size_t at_ = 0;
    int lineNumber_ = 0;
};

}  // namespace

std::string HotlistFileTime(HotlistTime time) {
    if (!time) return "0 (?)";
    static const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const std::time_t t = static_cast<std::time_t>(time);
    const std::tm* local = std::localtime(&t);
    char text[64];
    if (!local) {
        std::snprintf(text, sizeof text, "%lu (?)", static_cast<unsigned long>(time));
    } else {
        std::snprintf(text, sizeof text, "%lu (%s %s %02d %02d:%02d:%02d %d)", static_cast<unsigned long>(time),
                      kDays[local->tm_wday % 7], kMonths[local->tm_mon % 12], local->tm_mday, local->tm_hour,
                      local->tm_min, local->tm_sec, local->tm_year + 1900);
    }
    return text;
}

std::string WriteHotlistText(const HotlistFolder& folder, const HotlistFolder* activeFolder) {
    std::string out = kHotlistHeader;
    out += kLineEnd;
    out += kLineEnd;
    WriteFolder(out, folder, activeFolder);
    return out;
}

bool LoadHotlistText(const std::string& text, HotlistFolder& into, HotlistFolder** activeFolder,
                     std::string* error) {
    if (activeFolder) *activeFolder = nullptr;
    HotlistFolder loaded;
    Reader reader(text);
    std::string why;
    const bool current = reader.Read(loaded, &why);
    if (!current) {
        // A file of this format is damaged; any other may be of the older one.
        loaded.Clear();
        std::string olderWhy;
        if (text.compare(0, sizeof kHotlistHeader - 1, kHotlistHeader) == 0 ||
            !OlderReader(text).Read(loaded, &olderWhy)) {
            if (error) *error = olderWhy.empty() ? why : why + ", nor is it an older hotlist (" + olderWhy + ")";
            return false;
        }
    }
    while (HotlistItem* item = loaded.FirstItem()) {
        item->Detach();
        item->AppendToParent(into);
    }
    // Only this format marks a folder active.
    if (activeFolder && current) *activeFolder = reader.ActiveFolder();
    return true;
}
