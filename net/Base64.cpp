#include "net/Base64.h"

std::string Base64Encode(std::string_view bytes) {
    static const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    size_t i = 0;
    for (; i + 2 < bytes.size(); i += 3) {
        auto a = static_cast<unsigned char>(bytes[i]), b = static_cast<unsigned char>(bytes[i + 1]),
             c = static_cast<unsigned char>(bytes[i + 2]);
        out.push_back(kAlphabet[a >> 2]);
        out.push_back(kAlphabet[((a & 3) << 4) | (b >> 4)]);
        out.push_back(kAlphabet[((b & 15) << 2) | (c >> 6)]);
        out.push_back(kAlphabet[c & 63]);
    }
    if (i < bytes.size()) {
        auto a = static_cast<unsigned char>(bytes[i]);
        unsigned char b = i + 1 < bytes.size() ? static_cast<unsigned char>(bytes[i + 1]) : 0;
        out.push_back(kAlphabet[a >> 2]);
        out.push_back(kAlphabet[((a & 3) << 4) | (b >> 4)]);
        out.push_back(i + 1 < bytes.size() ? kAlphabet[(b & 15) << 2] : '=');
        out.push_back('=');
    }
    return out;
}
