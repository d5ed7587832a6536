// A printer that prints text: pages of a given number of lines of
// characters, each ended page kept as its lines. It stands in for a
// printer, which the machines that run the tests do not have; the paging
// and painting it takes part in are the program's own.
#pragma once
#include <string>
#include <vector>

#include "layout/PlainTextDevice.h"

namespace testing_support {

class TextPrinter : public PlainTextDevice {
public:
    TextPrinter(int width, int lines) : PlainTextDevice(width, lines, nullptr), pageLines_(lines) {}
    int32_t GetViewHeight() override { return kCellSize * pageLines_; }
    void FlushLines() override {
        for (int r = 0; r <= HighestRow(); ++r) current_ += RowText(r) + "\n";
        PlainTextDevice::FlushLines();
    }
    int EndPage() override {
        PlainTextDevice::EndPage();
        pages.push_back(current_);
        current_.clear();
        return 1;
    }

    std::vector<std::string> pages;

private:
    int pageLines_;
    std::string current_;
};

}  // namespace testing_support
