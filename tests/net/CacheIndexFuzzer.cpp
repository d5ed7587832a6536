// Feeds arbitrary bytes to the registry as its cache index "dcache.url" and
// runs a start and a clean exit over it: nothing may crash, and nothing
// outside the cache folder may be touched.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <signal.h>
#include <string>
#include <unistd.h>

#include "net/UrlRecord.h"
#include "net/UrlRegistry.h"
#include "net/UrlSettings.h"

namespace fs = std::filesystem;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const fs::path root = fs::temp_directory_path() / ("cache-index-fuzz-" + std::to_string(getpid()));
    static const fs::path cache = root / "cache";
    static const fs::path sentinel = root / "victim.txt";
    // libFuzzer ends without running destructors: scratch folders of runs
    // that are over go at the next start.
    static const bool swept = [] {
        std::error_code ec;
        for (const auto& e : fs::directory_iterator(fs::temp_directory_path(), ec)) {
            std::string name = e.path().filename().string();
            if (name.compare(0, 17, "cache-index-fuzz-") != 0) continue;
            pid_t pid = static_cast<pid_t>(std::atoi(name.c_str() + 17));
            if (pid > 0 && kill(pid, 0) != 0) fs::remove_all(e.path(), ec);
        }
        return true;
    }();
    (void)swept;
    fs::create_directories(cache);
    std::ofstream(sentinel) << "precious";
    std::ofstream(cache / "znt00001.htm") << "page";
    {
        std::ofstream index(cache / "dcache.url", std::ios::binary);
        index.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    UrlSettings& s = GetUrlSettings();
    s = UrlSettings();
    s.cacheDirectory = cache.string();
    s.emptyOnExit = (size & 1) != 0;
    s.lastRunUnclean = (size & 2) != 0;
    {
        UrlRegistry registry(s);
        for (UrlRecord* r : registry.CacheTable().Records()) (void)r->GetStatusCheckingFile(true);
        registry.SetCacheSizeLimit(16);
    }
    std::ifstream check(sentinel);
    std::string text;
    check >> text;
    if (text != "precious") __builtin_trap();
    for (const auto& e : fs::directory_iterator(root)) {
        std::string name = e.path().filename().string();
        if (name != "cache" && name != "victim.txt") __builtin_trap();
    }
    return 0;
}
