#include "layout/ListMarkers.h"

#include <cctype>

namespace {
std::string Roman(int32_t n) {
    static const struct {
        int value;
        const char* text;
    } kSteps[] = {{1000, "M"}, {900, "CM"}, {500, "D"}, {400, "CD"}, {100, "C"}, {90, "XC"}, {50, "L"},
                  {40, "XL"},  {10, "X"},   {9, "IX"},  {5, "V"},   {4, "IV"},   {1, "I"}};
    if (n >= 4000) return "...";
    std::string text;
    for (const auto& step : kSteps) {
        while (n >= step.value) {
            text += step.text;
            n -= step.value;
        }
    }
    return text;
}

std::string Letters(int32_t n) {
    if (n <= 0) return "A";
    std::string text;
    for (int64_t v = n; v > 0; v = (v - 1) / 26) text.insert(text.begin(), static_cast<char>('A' + (v - 1) % 26));
    return text;
}

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}
}  // namespace

std::string ListMarkerText(int32_t number, int type) {
    std::string text;
    if (number < 0 || type == 99) {
        text = std::to_string(number);
    } else if (type == 100 || type == 101) {
        if (number == 0) return std::string();
        text = type == 100 ? Lower(Roman(number)) : Roman(number);
    } else if (type == 102 || type == 103) {
        text = type == 102 ? Lower(Letters(number)) : Letters(number);
    } else {
        return std::string();
    }
    return text + ".";
}
