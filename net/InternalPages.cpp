#include "net/InternalPages.h"

#include <cstdio>
#include <cstring>

#include "core/StringHelpers.h"
#include "net/UrlAuthority.h"

namespace {

const GlobalHistorySource* g_historySource = nullptr;

constexpr size_t kLinkTextLength = 70;
constexpr size_t kMaskedPassword = 5;

std::string Lines(const char* text) {
    std::string s(text, strnlen(text, kMaxPluginField));
    std::string out;
    for (char c : s) {
        if (c == '|') {
            out += "<BR>";
        } else {
            out += EscapeHtml(std::string_view(&c, 1));
        }
    }
    return out;
}

}  // namespace

std::string CacheLinkText(const char* url) {
    std::string text = url ? url : "";
    std::vector<char> buffer(text.begin(), text.end());
    buffer.push_back(0);
    MaskUrlPassword(buffer.data(), kMaskedPassword);
    text = buffer.data();
    if (text.size() > kLinkTextLength) text.resize(kLinkTextLength);
    return text;
}

std::string CachePageRow(const char* fileName, const char* url, long bytes) {
    std::string row = fileName ? "<TR><TD>" + EscapeHtml(fileName) : std::string("<TR><TD ALIGN=CENTER>RAM");
    row += "</TD><TD><a href=\"" + EscapeHtml(url ? url : "") + "\">" + EscapeHtml(CacheLinkText(url)) +
           "</a></TD>";
    char size[48];
    std::snprintf(size, sizeof size, "<TD align=right>%ld</TD>", bytes);
    row += size;
    row += "</TR>\n";
    return row;
}

std::string PluginPageRow(const char* productName, const char* mimeTypes, const char* extensions,
                          const char* path) {
    std::string row = "<TR><TD>" + EscapeHtml(std::string_view(productName, strnlen(productName, kMaxPluginField))) +
                      "</TD>";
    if (mimeTypes) row += "<TD>" + Lines(mimeTypes) + "</TD>";
    if (extensions) row += "<TD>" + Lines(extensions) + "</TD>";
    row += "<TD>" + EscapeHtml(path ? path : "") + "</TD></TR>";
    return row;
}

std::vector<std::string> SplitPluginPath(const char* path, char separator) {
    std::vector<std::string> folders;
    std::string current;
    auto finish = [&] {
        if (current.empty()) return;
        if (current.back() != separator) current.push_back(separator);
        folders.push_back(current);
        current.clear();
    };
    for (const char* p = path ? path : ""; *p; ++p) {
        if (*p == '\n' || *p == '\t' || *p == ';') {
            finish();
        } else {
            current.push_back(*p);
        }
    }
    finish();
    return folders;
}

std::string AscTime(std::time_t when) {
    static const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::tm* t = std::localtime(&when);
    if (t == nullptr) return "\n";
    char text[64];
    std::snprintf(text, sizeof text, "%.3s %.3s%3d %.2d:%.2d:%.2d %d\n", kDays[t->tm_wday % 7],
                  kMonths[t->tm_mon % 12], t->tm_mday, t->tm_hour, t->tm_min, t->tm_sec, 1900 + t->tm_year);
    return text;
}

std::string HistoryPageRow(const char* url, const char* title, std::time_t when) {
    return "<TR><TD><A HREF=\"" + EscapeHtml(url ? url : "") + "\">" + EscapeHtml(title ? title : "") +
           "</A></TD><TD>" + EscapeHtml(AscTime(when)) + "</TD></TR>";
}

std::string FillAboutTemplate(std::string_view templateText, const std::vector<std::string>& fields) {
    // The fields share the room beyond the template; when they do not fit,
    // the longest are cut (a plug-in path of any length cannot overflow).
    std::vector<std::string> values;
    size_t total = 0;
    for (const std::string& f : fields) {
        values.push_back(EscapeHtml(f));
        total += values.back().size();
    }
    while (total > kAboutReserve) {
        size_t longest = 0;
        for (size_t k = 1; k < values.size(); ++k) {
            if (values[k].size() > values[longest].size()) longest = k;
        }
        std::string& v = values[longest];
        size_t others = total - v.size();
        size_t keep = others < kAboutReserve ? kAboutReserve - others : 0;
        // Never half an entity.
        size_t amp = v.rfind('&', keep);
        if (amp != std::string::npos && v.find(';', amp) >= keep) keep = amp;
        total -= v.size() - keep;
        v.resize(keep);
    }
    std::string out;
    size_t next = 0;
    for (size_t i = 0; i < templateText.size(); ++i) {
        char c = templateText[i];
        if (c == '%' && i + 1 < templateText.size() && templateText[i + 1] == 's') {
            if (next < values.size()) out += values[next];
            ++next;
            ++i;
        } else if (c == '%' && i + 1 < templateText.size() && templateText[i + 1] == '%') {
            out.push_back('%');
            ++i;
        } else {
            out.push_back(static_cast<unsigned char>(c) == 0xA4 ? '"' : c);
        }
    }
    return out;
}

void SetGlobalHistorySource(const GlobalHistorySource* source) {
    g_historySource = source;
}

const GlobalHistorySource* GetGlobalHistorySource() {
    return g_historySource;
}
