// page-to-text: an HTML file as the browser saves it as text.
//
//   page-to-text [--width COLUMNS] PAGE.html [OUT.txt]
//
// Reads the page, builds its element tree, formats it on the plain-text
// device, paints it page by page into lines of COLUMNS characters (80 by
// default) ended by CR LF, and writes them to OUT.txt or to the standard
// output. A file that cannot be written whole is removed and the program
// says why and ends with status 1: no partial file is left looking like a
// finished one.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include "html/DocumentContent.h"
#include "layout/PageText.h"
#include "net/UrlHandle.h"

namespace {

constexpr int kDefaultWidth = 80;
constexpr int kMaxWidth = 3276;  // a line of the grid is at most 32767 units

int Fail(const std::string& message) {
    std::fprintf(stderr, "page-to-text: %s\n", message.c_str());
    return 1;
}

// Feeds the file to the parser block by block, as the browser feeds what
// arrives: the tree holds the text, so the page's bytes need not be kept.
bool ParseFile(const char* path, DocumentContent& content, std::string& error) {
    std::FILE* file = std::fopen(path, "rb");
    if (!file) {
        error = std::strerror(errno);
        return false;
    }
    const UrlHandle url((std::string("file:") + path).c_str(), true);
    std::vector<char> buffer;
    char block[65536];
    size_t n;
    while ((n = std::fread(block, 1, sizeof block, file)) > 0) {
        buffer.insert(buffer.end(), block, block + n);
        // What the parser leaves (an unfinished tag) comes again in front of
        // the next block.
        const long left = content.FeedData(url, buffer.data(), static_cast<long>(buffer.size()), true, 0);
        buffer.erase(buffer.begin(), buffer.end() - left);
    }
    const bool failed = std::ferror(file) != 0;
    if (failed) error = std::strerror(errno);
    std::fclose(file);
    if (failed) return false;
    content.FeedData(url, buffer.data(), static_cast<long>(buffer.size()), false, 0);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    int width = kDefaultWidth;
    std::vector<const char*> paths;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--width") == 0 && i + 1 < argc) {
            width = std::atoi(argv[++i]);
            if (width < 1 || width > kMaxWidth) return Fail("the width must lie between 1 and 3276");
        } else {
            paths.push_back(argv[i]);
        }
    }
    if (paths.empty() || paths.size() > 2)
        return Fail("usage: page-to-text [--width COLUMNS] PAGE.html [OUT.txt]");

    DocumentContent content;
    std::string readError;
    if (!ParseFile(paths[0], content, readError)) {
        return Fail(std::string("cannot read ") + paths[0] + ": " + readError);
    }

    const char* outPath = paths.size() == 2 ? paths[1] : nullptr;
    std::FILE* out = stdout;
    if (outPath) {
        out = std::fopen(outPath, "wb");
        if (!out) return Fail(std::string("cannot write ") + outPath + ": " + std::strerror(errno));
    } else {
#ifdef _WIN32
        _setmode(_fileno(stdout), _O_BINARY);  // the lines end in CR LF already
#endif
    }

    int error = WritePageAsText(content, out, width);
    if (error == ENOMEM) return Fail("out of memory");
    // Errors of buffered writes may show only when the stream is flushed.
    if (!error && std::fflush(out) != 0) error = errno ? errno : EIO;
    if (outPath && std::fclose(out) != 0 && !error) error = errno ? errno : EIO;
    if (!error) return 0;
    // What was written is not the page: it goes. Only a file is removed; a
    // device named as the output stays.
    std::error_code ignored;
    if (outPath && std::filesystem::is_regular_file(outPath, ignored)) std::remove(outPath);
    return Fail(std::string("cannot write ") + (outPath ? outPath : "the standard output") + ": " +
                std::strerror(error));
}
