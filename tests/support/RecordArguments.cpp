// Stands in for the outside programs the browser starts (viewers, mailer,
// telnet): appends its whole command line, one line per start, to the file
// named by ZINTU_RECORD_ARGUMENTS, and ends.
#include <windows.h>

#include <cstdio>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    char path[MAX_PATH] = "";
    if (!GetEnvironmentVariableA("ZINTU_RECORD_ARGUMENTS", path, sizeof path)) return 2;
    std::FILE* file = std::fopen(path, "ab");
    if (!file) return 3;
    std::fprintf(file, "%s\n", GetCommandLineA());
    return std::fclose(file) == 0 ? 0 : 4;
}
