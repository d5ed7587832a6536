#include "core/TextFile.h"

#include <cstdlib>
#include <cstring>
#ifdef _WIN32
#include <share.h>
#endif

TextFile::TextFile(const char* path, const char* mode, TextFileShare share) {
    if (!path || !*path || !mode) return;
#ifdef _WIN32
    stream_ = _fsopen(path, mode, share == TextFileShare::DenyWrite ? _SH_DENYWR : _SH_DENYRW);
#else
    (void)share;
    stream_ = std::fopen(path, mode);
#endif
}

bool TextFile::Close() {
    if (!stream_) return false;
    bool flushed = std::fflush(stream_) == 0 && !std::ferror(stream_);
    bool closed = std::fclose(stream_) == 0;
    stream_ = nullptr;
    return flushed && closed;
}

TextFile::~TextFile() {
    if (stream_) std::fclose(stream_);
}

bool TextFile::ReadRawLine() {
    line_.clear();
    if (!stream_) return false;
    int c = std::getc(stream_);
    if (c == EOF) return false;
    while (c != EOF && c != '\n') {
        line_.push_back(static_cast<char>(c));
        c = std::getc(stream_);
    }
    if (!line_.empty() && line_.back() == '\r') line_.pop_back();
    return true;
}

const char* TextFile::ReadLine() {
    if (!ReadRawLine() || line_.empty()) return nullptr;
    return line_.c_str();
}

char* TextFile::ReadLineInto(char* buffer, size_t size) {
    if (!buffer || size == 0 || !ReadRawLine()) return nullptr;
    size_t length = line_.size() < size - 1 ? line_.size() : size - 1;
    std::memcpy(buffer, line_.data(), length);
    buffer[length] = '\0';
    return buffer;
}

int16_t TextFile::ReadShort() {
    if (!ReadRawLine()) return -1;
    return static_cast<int16_t>(std::atoi(line_.c_str()));
}

int32_t TextFile::ReadLong() {
    if (!ReadRawLine()) return -1;
    return static_cast<int32_t>(std::atol(line_.c_str()));
}

bool TextFile::WriteLine(const char* text) {
    if (!stream_ || !text) return false;
    return std::fprintf(stream_, "%s\n", text) >= 0;
}

bool TextFile::WriteShort(int16_t value) {
    return stream_ && std::fprintf(stream_, "%d\n", static_cast<int>(value)) >= 0;
}

bool TextFile::WriteLong(int32_t value) {
    return stream_ && std::fprintf(stream_, "%ld\n", static_cast<long>(value)) >= 0;
}
