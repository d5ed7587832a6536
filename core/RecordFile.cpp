#include "core/RecordFile.h"

#include <cstring>

namespace {

// Longest path a record file may have, terminator included.
constexpr size_t kMaxRecordPath = 1024;

bool WriteBytes(const uint8_t* bytes, size_t count, FILE* file) {
    return file && std::fwrite(bytes, 1, count, file) == count;
}

// Reads up to count bytes, most significant first; stops at the end of the file.
uint32_t ReadBigEndian(int count, FILE* file) {
    uint32_t value = 0;
    for (int i = 0; i < count; ++i) {
        int c = std::fgetc(file);
        if (c == EOF) break;
        value = (value << 8) | static_cast<uint8_t>(c);
    }
    return value;
}

// Moves past count bytes; reading rather than seeking also works on streams
// that cannot seek, and stops cleanly at the end of a truncated file.
void SkipBytes(size_t count, FILE* file) {
    char scratch[512];
    while (count > 0) {
        size_t step = count < sizeof scratch ? count : sizeof scratch;
        size_t got = std::fread(scratch, 1, step, file);
        if (got < step) return;
        count -= got;
    }
}

}  // namespace

bool BuildRecordFilePath(const char* directory, const char* name, char* path, size_t size) {
    if (!directory || !*directory || !name || !path || size == 0) return false;
    size_t dirLength = std::strlen(directory);
    size_t nameLength = std::strlen(name);
    if (dirLength + nameLength + 2 >= kMaxRecordPath || dirLength + nameLength + 2 > size) return false;
    std::memcpy(path, directory, dirLength);
    size_t at = dirLength;
    if (directory[dirLength - 1] != '\\') path[at++] = '\\';
    std::memcpy(path + at, name, nameLength + 1);
    return true;
}

FILE* OpenRecordFileIn(const char* directory, const char* name, const char* mode) {
    char path[kMaxRecordPath];
    if (!mode || !BuildRecordFilePath(directory, name, path, sizeof path)) return nullptr;
    return std::fopen(path, mode);
}

bool WriteRecordByte(uint8_t value, FILE* file) {
    return WriteBytes(&value, 1, file);
}

bool WriteRecordU16(uint16_t value, FILE* file) {
    const uint8_t bytes[2] = {static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value)};
    return WriteBytes(bytes, 2, file);
}

bool WriteRecordU32(uint32_t value, FILE* file) {
    const uint8_t bytes[4] = {static_cast<uint8_t>(value >> 24), static_cast<uint8_t>(value >> 16),
                              static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value)};
    return WriteBytes(bytes, 4, file);
}

bool WriteRecordString(const char* text, FILE* file) {
    size_t length = text ? std::strlen(text) : 0;
    if (length > kMaxRecordStringLength) {
        // Keep the file readable: an empty field in place of one that cannot be stored.
        WriteRecordU16(0, file);
        return false;
    }
    if (!WriteRecordU16(static_cast<uint16_t>(length), file)) return false;
    return length == 0 || WriteBytes(reinterpret_cast<const uint8_t*>(text), length, file);
}

uint8_t ReadRecordByte(FILE* file) {
    return static_cast<uint8_t>(ReadBigEndian(1, file));
}

uint16_t ReadRecordU16(FILE* file) {
    return static_cast<uint16_t>(ReadBigEndian(2, file));
}

uint32_t ReadRecordU32(FILE* file) {
    return ReadBigEndian(4, file);
}

int ReadRecordString(char* buffer, size_t size, FILE* file) {
    size_t length = ReadRecordU16(file);
    if (buffer && size > 0) buffer[0] = '\0';
    if (length == 0) return 0;
    if (!buffer || length >= size) {
        SkipBytes(length, file);
        return kRecordStringTooLong;
    }
    size_t got = std::fread(buffer, 1, length, file);
    buffer[got] = '\0';
    return static_cast<int>(got);
}

size_t ReadRecordBytes(char* buffer, size_t size, size_t count, FILE* file) {
    if (!buffer || size == 0) return 0;
    buffer[0] = '\0';
    if (count == 0 || count >= size) return 0;
    size_t got = std::fread(buffer, 1, count, file);
    buffer[got] = '\0';
    return got;
}
