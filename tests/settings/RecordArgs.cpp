// Stands in for a viewer program: records its command line in
// "recorded-args.txt" beside itself, then ends.
#include <windows.h>

#include <cstdio>
#include <cstring>

int main() {
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
    if (n == 0 || n >= sizeof path) return 1;
    char* slash = std::strrchr(path, '\\');
    if (slash == nullptr) return 1;
    std::strcpy(slash + 1, "recorded-args.txt");
    std::FILE* f = std::fopen(path, "wb");
    if (f == nullptr) return 1;
    std::fputs(GetCommandLineA(), f);
    std::fclose(f);
    return 0;
}
