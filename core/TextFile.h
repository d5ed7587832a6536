// A line-oriented text file: the hotlist, the saved window set, the
// typed-address and history lists are read and written through it.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

enum class TextFileShare {
    DenyWrite,      // others may read while we read
    DenyReadWrite,  // nobody else may touch the file while we write
};

class TextFile {
public:
    // Opens the path with an fopen mode; a null or empty path, or a file that
    // cannot be opened, leaves the object without a stream.
    TextFile(const char* path, const char* mode, TextFileShare share = TextFileShare::DenyWrite);
    ~TextFile();
    TextFile(const TextFile&) = delete;
    TextFile& operator=(const TextFile&) = delete;

    bool IsOpen() const { return stream_ != nullptr; }
    // Closes the file at once; false when it was not open or what was
    // written could not all reach the disk.
    bool Close();

    // The next non-empty line without its line end, whatever its length;
    // valid until the next read. Null at the end of the file, without a
    // stream, and for an empty line (which is consumed).
    const char* ReadLine();
    // The next line without its line end into the caller's buffer, cut to
    // size - 1 characters (the rest of the line is skipped). An empty line
    // gives an empty string; null for no buffer, size 0 or the end of file.
    char* ReadLineInto(char* buffer, size_t size);
    // The next line as a decimal number; -1 (0xFFFF as 16 bits) when no line
    // is left.
    int16_t ReadShort();
    int32_t ReadLong();

    // Each writes one line; false without a stream, for a null text, or when
    // the write fails.
    bool WriteLine(const char* text);
    bool WriteShort(int16_t value);
    bool WriteLong(int32_t value);

private:
    // Reads up to and without the line end ("\n" or "\r\n"); false at the end.
    bool ReadRawLine();

    FILE* stream_ = nullptr;
    std::string line_;
};
