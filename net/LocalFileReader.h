// Reads a local file for a URL record in the manner of a connection: it
// reports 0x8231 when data can be read, 0x8232 once the file has been read
// to its end, and 0x8230 when the file cannot be read, each with its serial
// as the first parameter, to its target handler.
#pragma once

#include <cstdio>
#include <string>

#include "core/MessageSource.h"

class LocalFileReader : public MessageSource {
public:
    LocalFileReader(MessageHandler* target, const char* path);
    ~LocalFileReader() override;

    void OnMessage(uint32_t message, uint32_t p1, uint32_t p2) override {}
    // Opens the file and reports that data is there; 33120 when it cannot
    // be opened.
    [[nodiscard]] int Connect() override;
    void Close() override;
    // Reads the next bytes; at the end of the file reports the end once.
    int ReadData(char* buffer, int size) override;

private:
    std::string path_;
    std::FILE* file_ = nullptr;
    bool endReported_ = false;
};
