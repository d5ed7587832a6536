#include "tests/support/TestPaths.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

namespace fs = std::filesystem;

namespace testing_support {

std::string SourcePath(const std::string& relative) {
#ifdef _WIN32
    std::string p = std::string("Z:") + ZINTU_SOURCE_DIR + "/" + relative;
    for (char& c : p)
        if (c == '/') c = '\\';
    return p;
#else
    return std::string(ZINTU_SOURCE_DIR) + "/" + relative;
#endif
}

ScratchDir::ScratchDir() {
    std::random_device rd;
    for (;;) {
        fs::path p = fs::temp_directory_path() / ("zintu-test-" + std::to_string(rd()));
        std::error_code ec;
        if (fs::create_directory(p, ec)) {
            path_ = p.string();
            return;
        }
    }
}

ScratchDir::~ScratchDir() {
    std::error_code ec;
    fs::remove_all(path_, ec);
}

std::string ScratchDir::File(const std::string& name) const {
    return (fs::path(path_) / name).string();
}

std::string ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void WriteWholeFile(const std::string& path, const std::string& data) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(data.data(), static_cast<std::streamsize>(data.size()));
}

}  // namespace testing_support
