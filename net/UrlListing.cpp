// Directory listings of a record: the stored reply of an FTP LIST, or a
// local folder, turned into the generated page that the record then holds.
#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <vector>

#include "core/Dates.h"
#include "core/StringHelpers.h"
#include "net/DirectoryListing.h"
#include "net/UrlAuthority.h"
#include "net/UrlErrors.h"
#include "net/UrlRecord.h"

namespace {

constexpr size_t kListingReadSize = 4095;

// The name with its password masked, for the title and the heading.
std::string MaskedName(const std::string& name) {
    std::vector<char> text(name.begin(), name.end());
    text.push_back('\0');
    MaskUrlPassword(text.data(), 5);
    return text.data();
}

std::string WithFinalSlash(std::string text) {
    if (text.empty() || text.back() != '/') text.push_back('/');
    return text;
}

}  // namespace

std::string UrlRecord::ListingBase(const char* loginUser) const {
    std::string name = name_.substr(0, name_.find(';'));
    if (scheme_ == kSchemeFtp && loginUser && *loginUser && !EqualsNoCase(loginUser, "anonymous") &&
        name_.size() < kUrlScratchSize) {
        FtpUrlParts parts;
        // Logged in under a name that the address does not carry: links
        // made from the page must log in as the same user.
        if (ParseFtpUrl(name_, parts) && (!parts.login.hasUser || parts.login.user != loginUser)) {
            std::string base = "ftp://" + std::string(loginUser) + "@" + parts.login.host;
            if (parts.login.port != 21) base += ":" + std::to_string(parts.login.port);
            base += "/" + parts.path;
            return WithFinalSlash(base);
        }
    }
    return WithFinalSlash(name);
}

bool UrlRecord::WriteListingText(const std::string& text) {
    return AppendRaw(text.data(), static_cast<int32_t>(text.size()));
}

bool UrlRecord::WriteListingHeader(bool withTitle, const char* loginUser, const char* titlePrefix) {
    std::string shown = withTitle ? MaskedName(name_) : std::string();
    return WriteListingText(ListingHeader(ListingBase(loginUser), titlePrefix ? titlePrefix : "", shown));
}

bool UrlRecord::WriteListingEntries(const std::vector<ListingEntry>& entries, int nameWidth) {
    std::string text;
    for (const ListingEntry& e : entries) {
        text += ListingEntryLine(e, nameWidth);
        if (text.size() >= 16384) {
            if (!WriteListingText(text)) return false;
            text.clear();
        }
    }
    return WriteListingText(text);
}

// Starts an empty store for the generated page.
void UrlRecord::StartListingStore() {
    CloseOpenFile();
    FreeBuffer();
    SetStorage(kStoredNowhere);
    bytesLoaded_ = contentLength_ = 0;
    kept_ = newBytes_ = 0;
    delivered_ = 0;
    storeError_ = 0;
}

bool UrlRecord::BuildFtpListing(bool parentLink, const std::string& welcome, const char* loginUser,
                                const char* titlePrefix) {
    CloseOpenFile();
    // The raw reply stays readable while the page goes to a new store.
    std::string rawPath = GetStorage() == kStoredInFile ? GetLocalFilePath() : std::string();
    std::string rawMemory;
    if (GetStorage() == kStoredInMemory && block_) rawMemory.assign(block_.get(), static_cast<size_t>(bytesLoaded_));
    std::FILE* raw = rawPath.empty() ? nullptr : std::fopen(rawPath.c_str(), "rb");
    fileName_.clear();
    StartListingStore();

    int month0 = 0;
    int year = GetCurrentYear(&month0);
    bool ok = WriteListingHeader(true, loginUser, titlePrefix);
    if (ok && !welcome.empty()) ok = WriteListingText(ListingWelcome(welcome));
    if (ok && parentLink) ok = WriteListingText(ListingParentLine());

    std::vector<ListingEntry> entries;
    auto takeLine = [&](std::string_view line) {
        ListingEntry e;
        if (ParseFtpListLine(line, year, month0 + 1, e)) entries.push_back(std::move(e));
        if (entries.size() >= kMaxListingEntries) {
            ok = ok && WriteListingEntries(entries, kFtpNameWidth);
            entries.clear();
        }
    };
    std::string pending = rawMemory;
    char piece[kListingReadSize];
    for (bool more = true; ok && more;) {
        size_t n = raw ? std::fread(piece, 1, sizeof piece, raw) : 0;
        more = n > 0;
        pending.append(piece, n);
        size_t start = 0;
        for (size_t end; (end = pending.find('\n', start)) != std::string::npos; start = end + 1)
            takeLine(std::string_view(pending).substr(start, end + 1 - start));
        pending.erase(0, start);
    }
    if (ok && !pending.empty()) takeLine(pending);
    if (ok) ok = WriteListingEntries(entries, kFtpNameWidth);
    if (ok) ok = WriteListingText(kListingEnd);
    if (raw) std::fclose(raw);
    if (!rawPath.empty()) std::remove(rawPath.c_str());
    CloseOpenFile();
    contentLength_ = bytesLoaded_;
    return ok;
}

bool UrlRecord::BuildLocalListing(const char* titlePrefix) {
    namespace fs = std::filesystem;
    std::string folder = fileName_.empty() || IsTempFileCopy() ? LocalPathOfFileUrl(name_.c_str()) : GetLocalFilePath();
    std::vector<ListingEntry> entries;
    auto add = [&entries](const std::string& name, const std::string& path) {
        struct stat st;
        ListingEntry e;
        e.name = name;
        if (stat(path.c_str(), &st) == 0) {
            // Any folder is listed as a folder, whatever other attributes
            // (read-only, hidden, archive) it carries.
            e.kind = (st.st_mode & S_IFMT) == S_IFDIR ? kListingDirectory : kListingFile;
            e.size = e.kind == kListingFile ? static_cast<uint32_t>(st.st_size) : 0;
            std::time_t when = st.st_mtime;
            if (const std::tm* t = when > 0 ? std::localtime(&when) : nullptr) {
                e.date = PackListingDate(t->tm_year + 1900, t->tm_mon + 1, t->tm_mday);
                e.time = PackListingTime(t->tm_hour, t->tm_min, t->tm_sec);
            }
        }
        entries.push_back(std::move(e));
    };
    std::error_code error;
    fs::path dir(folder);
    // A folder below a root has a parent to go to.
    if (dir.has_relative_path()) add("..", (dir / "..").string());
    for (fs::directory_iterator it(dir, error), end; !error && it != end && entries.size() < kMaxListingEntries;
         it.increment(error)) {
        add(it->path().filename().string(), it->path().string());
    }
    SortLocalListing(entries);

    // The listing is ours, not the folder: it goes to a store of its own.
    fileName_.clear();
    StartListingStore();
    bool ok = WriteListingHeader(true, nullptr, titlePrefix) && WriteListingEntries(entries, kLocalNameWidth) &&
              WriteListingText(kListingEnd);
    CloseOpenFile();
    contentLength_ = bytesLoaded_;
    return ok;
}
