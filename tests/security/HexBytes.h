// Bytes written as hex in a test ("16 03 01" or "160301"): spaces between
// bytes are skipped.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

inline std::vector<uint8_t> Hex(const std::string& text) {
    std::vector<uint8_t> out;
    for (size_t i = 0; i + 1 < text.size();) {
        if (text[i] == ' ') {
            ++i;
            continue;
        }
        out.push_back(static_cast<uint8_t>(std::stoi(text.substr(i, 2), nullptr, 16)));
        i += 2;
    }
    return out;
}
