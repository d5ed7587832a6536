#include "windows/PageSaving.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "core/AppGlobals.h"
#include "core/InternalMessages.h"
#include "core/MessageBoxes.h"
#include "core/MessageCallback.h"
#include "core/MessageHandler.h"
#include "core/SaveFileNames.h"
#include "html/DocumentContent.h"
#include "html/PageImageRefs.h"
#include "html/PageProperties.h"
#include "html/PageUrls.h"
#include "html/UrlContentFeed.h"
#include "net/SniffContent.h"
#include "net/UrlRecord.h"
#include "resources/BrowsingIds.h"
#include "resources/ViewerIds.h"

namespace {

bool IsNameChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
           c == '-' || c == '_';
}

// Only what is safe in a file name and, unquoted, in the page.
std::string SafeName(const std::string& name) {
    std::string out = name;
    for (char& c : out)
        if (!IsNameChar(c)) c = '_';
    return out;
}

bool EndsWithNoCase(const std::string& text, const char* tail) {
    const size_t n = std::strlen(tail);
    return text.size() >= n && lstrcmpiA(text.c_str() + text.size() - n, tail) == 0;
}

// A picture's file ends as its kind is known by on the disk: a page opened
// from there takes the kind of a file from its extension.
std::string WithKindExtension(const std::string& name, int kind) {
    struct Extensions {
        int kind;
        const char* given;  // ends that already tell the kind, '|'-separated
    };
    static const Extensions table[] = {
        {kKindGif, ".gif"}, {kKindJpeg, ".jpg|.jpeg|.jpe|.jfif"}, {kKindXbm, ".xbm"}, {kKindBmp, ".bmp"}};
    for (const Extensions& e : table) {
        if (e.kind != kind) continue;
        std::string given = e.given;
        size_t start = 0;
        for (size_t bar = given.find('|'); start < given.size(); bar = given.find('|', start)) {
            const std::string tail =
                given.substr(start, bar == std::string::npos ? std::string::npos : bar - start);
            if (EndsWithNoCase(name, tail.c_str())) return name;
            if (bar == std::string::npos) break;
            start = bar + 1;
        }
        return name + given.substr(0, given.find('|'));
    }
    return name;
}

// Schemes whose data the program fetches and keeps.
bool IsFetchedScheme(const char* name) {
    for (const char* scheme : {"http:", "https:", "ftp:", "file:"})
        if (name && _strnicmp(name, scheme, std::strlen(scheme)) == 0) return true;
    return false;
}

bool WriteWhole(const char* path, const std::string& bytes) {
    std::FILE* out = std::fopen(path, "wb");
    if (!out) return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
    ok = std::fflush(out) == 0 && ok;
    ok = std::fclose(out) == 0 && ok;
    if (!ok) std::remove(path);
    return ok;
}

class PageSave;
std::vector<std::unique_ptr<PageSave>>& Saves() {
    static std::vector<std::unique_ptr<PageSave>> saves;
    return saves;
}

class PageSave : public MessageCallback {
public:
    PageSave(HWND owner, const UrlHandle& page, const char* path) : owner_(owner), page_(page), path_(path) {}
    ~PageSave() override { StopListening(); }

    // Reads the page and finds its pictures; false when the page's data
    // could not be read whole.
    bool Prepare() {
        UrlRecord* record = page_.Record()->ChainEnd();
        const int32_t size = record->GetLoadedBytes();
        if (size < 0 || record->GetLoadStatusHere() != kLoadLoaded) return false;
        source_.resize(static_cast<size_t>(size));
        int32_t done = 0;
        while (done < size) {
            const int32_t got = record->ReadLocalData(done, size - done, &source_[static_cast<size_t>(done)]);
            if (got <= 0) return false;
            done += got;
        }
        refs_ = FindImageReferences(source_.data(), source_.size());
        pictureOfRef_.assign(refs_.size(), -1);
        DocumentContentHandle content = DocumentContentOf(*record);
        PageProperties* page = content.GetPage();
        PageUrls ownUrls;
        for (size_t i = 0; i < refs_.size(); ++i) {
            const std::string& text = refs_[i].text;
            // Built-in icons stay what they are.
            if (text.compare(0, 9, "internal-") == 0) continue;
            const UrlHandle* base = page && page->GetBaseUrl() ? page->GetBaseUrl() : &page_;
            UrlHandle url =
                page ? page->FindUrl(base, text.c_str()) : ownUrls.Find(base, text.c_str(), nullptr);
            if (url.IsEmpty() || !IsFetchedScheme(url.GetName())) continue;
            int found = -1;
            for (size_t p = 0; p < pictures_.size(); ++p)
                if (pictures_[p].url.Record() == url.Record()) found = static_cast<int>(p);
            if (found < 0) {
                pictures_.push_back(Picture{url});
                found = static_cast<int>(pictures_.size()) - 1;
            }
            pictureOfRef_[i] = found;
        }
        return true;
    }

    // Asks for every picture not at hand; answers true when all are there
    // (or have failed) already.
    bool Fetch() {
        for (Picture& p : pictures_) {
            // A picture whose data was dropped since it came is asked for again.
            if (p.url->GetLoadStatus(true) == kLoadLoaded &&
                p.url->ChainEnd()->GetStorage() != kStoredNowhere)
                continue;
            if (!g_mainHandler) continue;  // nothing to load for: it fails
            if (!listening_) listening_ = g_mainHandler->Register(this, kMsgLoadStatus, 0);
            if (!listening_) break;
            // Joins a load under way, else starts one.
            (void)p.url->StartLoad(g_mainHandler, page_, true, false);
            p.asked = true;
        }
        return !Waiting();
    }

    void OnMessage(uint32_t message, uint32_t, uint32_t) override {
        if (message != kMsgLoadStatus || Waiting()) return;
        Finish();
    }

    // Writes the pictures, then the page naming them; tells what failed.
    // The save is over (and this object gone) when it returns.
    void Finish() {
        StopListening();
        const std::string folderName = PictureFolderName(path_);
        const size_t slash = path_.find_last_of("\\/");
        const std::string folder =
            (slash == std::string::npos ? std::string() : path_.substr(0, slash + 1)) + folderName;
        const bool madeFolder = !pictures_.empty() && CreateDirectoryA(folder.c_str(), nullptr);
        const DWORD attributes = GetFileAttributesA(folder.c_str());
        const bool haveFolder =
            madeFolder || (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY));
        std::vector<std::string> taken;
        std::string firstFailed;
        int failed = 0, saved = 0;
        for (Picture& p : pictures_) {
            if (haveFolder && Arrived(p)) {
                p.name = UniqueName(WithKindExtension(ProposedName(p.url), p.url->GetContentKind()), taken);
                p.saved = p.url->SaveToFile((folder + "\\" + p.name).c_str());
            }
            if (p.saved) {
                ++saved;
            } else {
                if (!failed++) firstFailed = p.url.GetName();
            }
        }
        if (madeFolder && !saved) RemoveDirectoryA(folder.c_str());
        // A picture saved is named in its folder; one that failed by its
        // whole address, which still leads to it from anywhere.
        std::vector<std::string> replacements(refs_.size());
        for (size_t i = 0; i < refs_.size(); ++i) {
            if (pictureOfRef_[i] < 0) continue;
            const Picture& p = pictures_[static_cast<size_t>(pictureOfRef_[i])];
            replacements[i] = p.saved ? folderName + "/" + p.name : std::string(p.url.GetName());
        }
        const bool pageSaved = WriteWhole(
            path_.c_str(), ReplaceImageReferences(source_.data(), source_.size(), refs_, replacements));
        HWND owner = IsWindow(owner_) ? owner_ : nullptr;
        const std::string path = path_;
        Forget();  // this object is gone from here on
        if (!g_messageBoxes) return;
        if (!pageSaved) {
            g_messageBoxes->ShowError(owner, IDS_DOCUMENT_NOT_SAVED, nullptr, path.c_str());
        } else if (failed) {
            g_messageBoxes->ShowError(owner, IDS_PAGE_IMAGES_NOT_SAVED, nullptr, firstFailed.c_str());
        }
    }

    bool Waiting() const {
        for (const Picture& p : pictures_)
            if (p.asked && p.url->GetLoadStatus(true) == kLoadLoading) return true;
        return false;
    }

private:
    struct Picture {
        UrlHandle url;
        bool asked = false;  // its load was asked for by this save
        bool saved = false;
        std::string name;  // in the folder
    };

    // All of it came, and it is the picture, not a server's error page.
    static bool Arrived(const Picture& p) {
        if (p.url->GetLoadStatus(true) != kLoadLoaded) return false;
        const int http = p.url->GetHttpStatus();
        return http == 0 || (http >= 200 && http < 300);
    }

    static std::string ProposedName(const UrlHandle& url) {
        std::string name = SafeName(SplitFileNameFromUrl(url.GetName()).name);
        return name.empty() || name[0] == '.' ? "image" + name : name;
    }

    // The name, or the name with "_2", "_3" ... before its extension, the
    // first that no other picture of this save has (in any case).
    static std::string UniqueName(const std::string& name, std::vector<std::string>& taken) {
        const size_t dot = name.rfind('.');
        const std::string stem = dot == std::string::npos ? name : name.substr(0, dot);
        const std::string extension = dot == std::string::npos ? std::string() : name.substr(dot);
        std::string candidate = name;
        for (int n = 2;; ++n) {
            bool clash = false;
            for (const std::string& t : taken) clash = clash || lstrcmpiA(t.c_str(), candidate.c_str()) == 0;
            if (!clash) break;
            candidate = stem + "_" + std::to_string(n) + extension;
        }
        taken.push_back(candidate);
        return candidate;
    }

    void StopListening() {
        if (listening_ && g_mainHandler) g_mainHandler->Unregister(this, kMsgLoadStatus, 0);
        listening_ = false;
    }

    void Forget() {
        auto& saves = Saves();
        for (auto it = saves.begin(); it != saves.end(); ++it) {
            if (it->get() == this) {
                saves.erase(it);
                return;
            }
        }
    }

    HWND owner_;
    UrlHandle page_;
    std::string path_;
    std::string source_;
    std::vector<ImageReference> refs_;
    std::vector<int> pictureOfRef_;  // index into pictures_, -1: left as written
    std::vector<Picture> pictures_;
    bool listening_ = false;
};

}  // namespace

std::string PictureFolderName(const std::string& path) {
    const size_t slash = path.find_last_of("\\/:");
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0) name.resize(dot);
    return SafeName(name) + "_files";
}

bool SavePageWithImages(HWND owner, const UrlHandle& page, const char* path) {
    if (page.IsEmpty() || !path) return false;
    auto save = std::make_unique<PageSave>(owner, page, path);
    if (!save->Prepare()) {
        if (g_messageBoxes) g_messageBoxes->ShowError(owner, IDS_DOCUMENT_NOT_SAVED, nullptr, path);
        return false;
    }
    PageSave* started = save.get();
    Saves().push_back(std::move(save));
    if (started->Fetch()) started->Finish();
    return true;
}

int PageSavesInProgress() {
    return static_cast<int>(Saves().size());
}
