#include "layout/PlainTextDevice.h"

#include <cerrno>
#include <cstring>
#include <new>

namespace {
// Quotients rounded down, so that a cell of (-1, -1) is not cell 0.
int64_t FloorDiv(int64_t v, int64_t d) {
    return v >= 0 ? v / d : -((-v + d - 1) / d);
}

// Whole cells covered by a length in layout units.
int CellsOf(int32_t length) {
    return length <= 0 ? 0
                       : static_cast<int>((static_cast<int64_t>(length) + PlainTextDevice::kCellSize - 1) /
                                          PlainTextDevice::kCellSize);
}
}  // namespace

PlainTextDevice::PlainTextDevice(int width, int lines, const unsigned char* table)
    : PagedDevice(nullptr, false) {
    LogFont font;
    font.height = kCellSize;
    font.width = kCellSize;
    PaintDevice::SetLogFont(font);
    width_ = width < 0 ? 0 : width;
    lines_ = lines < 0 ? 0 : lines;
    MakeGrid(width_, lines_, table);
}

PlainTextDevice::~PlainTextDevice() = default;

bool PlainTextDevice::MakeGrid(int width, int lines, const unsigned char* table) {
    // A block of lines of width + 2, the table, one spare byte. Blocks stay
    // below 32 KB, as the grid of the system's memory manager once had to;
    // at least one line per block, so that paging always advances however
    // wide the lines are.
    const int64_t slot = static_cast<int64_t>(width) + 2;
    const int64_t extra = (table ? 256 : 0) + 1;
    int64_t perBlock = lines;
    if (perBlock * slot + extra >= 32767) {
        perBlock = (table ? 32510 : 32766) / slot;
        if (perBlock < 1) perBlock = 1;
    }
    const int64_t size = perBlock * slot + extra;
    std::unique_ptr<char[]> grid(new (std::nothrow) char[static_cast<size_t>(size)]);
    if (!grid) return false;
    for (int64_t r = 0; r < perBlock; ++r) {
        grid[r * slot] = '\r';
        grid[r * slot + 1] = '\n';
    }
    unsigned char* newTable = nullptr;
    if (table) {
        newTable = reinterpret_cast<unsigned char*>(grid.get() + perBlock * slot);
        std::memmove(newTable, table, 256);
    }
    grid[size - 1] = 0;
    grid_ = std::move(grid);
    table_ = newTable;
    width_ = width;
    lines_ = lines;
    linesPerBlock_ = static_cast<int>(perBlock);
    return true;
}

void PlainTextDevice::GrowToFit(int32_t width, int32_t height) {
    const int columns = CellsOf(width > kMaxLines ? kMaxLines : width);
    const int rows = CellsOf(height) > kMaxLines ? kMaxLines : CellsOf(height);
    if (columns <= width_ && rows >= lines_) return;
    if (!grid_ || highestRow_ >= 0) return;
    unsigned char table[256];
    if (table_) std::memcpy(table, table_, sizeof table);
    // A failed allocation keeps the old grid.
    MakeGrid(columns, rows, table_ ? table : nullptr);
}

int PlainTextDevice::SlotTextLength(const char* slot) const {
    const void* end = std::memchr(slot, '\r', static_cast<size_t>(width_) + 1);
    return end ? static_cast<int>(static_cast<const char*>(end) - slot) : width_;
}

std::string PlainTextDevice::RowText(int row) const {
    if (!grid_ || row < 0 || row >= linesPerBlock_) return std::string();
    const char* slot = Slot(row);
    return std::string(slot, static_cast<size_t>(SlotTextLength(slot)));
}

char* PlainTextDevice::Cells(int32_t x, int32_t y, int& count) {
    if (!grid_ || currentBlock_ < 0 || count < 1) return nullptr;
    const int64_t column = FloorDiv(x, kCellSize);
    const int64_t row = FloorDiv(y, kCellSize) - static_cast<int64_t>(linesPerBlock_) * currentBlock_;
    // Text left of the page would land before its line: dropped like text
    // right of it.
    if (column < 0 || column >= width_ || row < 0 || row >= linesPerBlock_) return nullptr;
    const int col = static_cast<int>(column), r = static_cast<int>(row);
    if (r > highestRow_) highestRow_ = r;
    if (count > width_ - col) count = width_ - col;
    char* slot = Slot(r);
    const int end = SlotTextLength(slot);
    if (end < col) std::memset(slot + end, ' ', static_cast<size_t>(col - end));
    if (end < col + count) {
        slot[col + count] = '\r';
        slot[col + count + 1] = '\n';
    }
    return slot + col;
}

void PlainTextDevice::WriteText(int32_t x, int32_t y, const char* text, int length) {
    if (!text) return;
    int count = length;
    char* at = Cells(x, y, count);
    if (!at) return;
    for (int i = 0; i < count; ++i) {
        unsigned char b = static_cast<unsigned char>(text[i]);
        if (table_) b = table_[b];
        // A line break inside the text would end the line early and leave
        // the rest of it behind the line's end.
        if (b == '\r' || b == '\n') b = ' ';
        at[i] = static_cast<char>(b);
    }
}

void PlainTextDevice::WritePattern(int32_t x, int32_t y, int count, const char* pattern, int patternLength) {
    char* at = Cells(x, y, count);
    if (!at) return;
    for (int i = 0; i < count; ++i) at[i] = pattern[i % patternLength];
}

// --- the output-device interface ----------------------------------------------------

int32_t PlainTextDevice::GetTextExtent(const char* text, int length) {
    return text && length > 0 ? kCellSize * length : 0;
}

int32_t PlainTextDevice::GetTabbedTextExtent(const char* text, int length) {
    return GetTextExtent(text, length);
}

void PlainTextDevice::DrawText(int32_t x, int32_t y, const char* text, int length) {
    WriteText(x, y, text, length);
}

void PlainTextDevice::DrawTabbedText(int32_t x, int32_t y, const char* text, int length) {
    WriteText(x, y, text, length);
}

void PlainTextDevice::DrawEtchedFrame(int32_t x, int32_t y, int32_t, int32_t, const char* caption,
                                      int captionLength) {
    WriteText(x, y, caption, captionLength);
}

// Rules and dotted lines cover the cells of their width.
void PlainTextDevice::DrawHorizontalRule(int32_t x, int32_t y, int32_t w, int32_t, bool) {
    WritePattern(x, y, CellsOf(w), "-", 1);
}

void PlainTextDevice::DrawDottedLine(int32_t x, int32_t y, int32_t w) {
    WritePattern(x, y, CellsOf(w), "- ", 2);
}

void PlainTextDevice::FillDisc(int32_t x, int32_t y, int32_t, int32_t) {
    WritePattern(x, y, 1, "*", 1);
}

void PlainTextDevice::GetTextMetrics(DeviceTextMetrics& out) {
    DeviceGetMetrics(out);
}

void PlainTextDevice::DeviceGetMetrics(DeviceTextMetrics& out) {
    out = DeviceTextMetrics();
    out.height = out.ascent = out.aveCharWidth = out.maxCharWidth = kCellSize;
}

void PlainTextDevice::DeviceTextOut(int32_t x, int32_t y, const char* text, int length) {
    WriteText(x, y, text, length);
}

void PlainTextDevice::DeviceTabbedOut(int32_t x, int32_t y, const char* text, int length) {
    WriteText(x, y, text, length);
}

int32_t PlainTextDevice::DeviceTextInRect(const DeviceRect& rect, const char* text, int length, bool draw) {
    // One line at the rectangle's top left, cut to its width.
    const int room = CellsOf(rect.right - rect.left);
    if (draw) WriteText(rect.left, rect.top, text, length < room ? length : room);
    return kCellSize;
}

void PlainTextDevice::DeviceClientSize(int32_t& width, int32_t& height) {
    width = GetViewWidth();
    height = GetViewHeight();
}

// --- paging ------------------------------------------------------------------------------

int PlainTextDevice::EndPage() {
    if (currentBlock_ >= 0) FlushLines();
    currentBlock_ = -1;
    highestRow_ = -1;
    return 1;
}

bool PlainTextDevice::NextBand(DeviceRect& band) {
    if (currentBlock_ >= 0) FlushLines();
    ++currentBlock_;
    const int64_t first = static_cast<int64_t>(currentBlock_) * linesPerBlock_;
    if (first < lines_) {
        band.left = 0;
        band.top = static_cast<int32_t>(kCellSize * first);
        band.right = kCellSize * width_;
        band.bottom = static_cast<int32_t>(kCellSize * (first + linesPerBlock_));
        return true;
    }
    currentBlock_ = -1;
    band = DeviceRect();
    return false;
}

void PlainTextDevice::FlushLines() {
    for (int r = 0; r <= highestRow_; ++r) {
        Slot(r)[0] = '\r';
        Slot(r)[1] = '\n';
    }
    highestRow_ = -1;
}

// --- the file device ---------------------------------------------------------------------

TextFileDevice::TextFileDevice(std::FILE* file, int width, int lines, const unsigned char* table)
    : PlainTextDevice(width, lines, table), file_(file) {}

void TextFileDevice::FlushLines() {
    for (int r = 0; r <= HighestRow(); ++r) {
        char* slot = Slot(r);
        const size_t bytes = static_cast<size_t>(SlotTextLength(slot)) + 2;
        // After one failed write the rest would only leave a file with a
        // hole in it: the save has failed already.
        if (writeFailed_) continue;
        errno = 0;
        if (!file_ || std::fwrite(slot, 1, bytes, file_) != bytes) {
            writeFailed_ = true;
            writeError_ = errno ? errno : EIO;
        }
    }
    PlainTextDevice::FlushLines();
}

// --- the buffer device -------------------------------------------------------------------

TextBufferDevice::TextBufferDevice(char* buffer, int size)
    : PlainTextDevice(size, 1, nullptr), buffer_(buffer), size_(size < 0 ? 0 : size) {
    if (buffer_ && size_ >= 1) buffer_[0] = 0;
}

bool TextBufferDevice::NextBand(DeviceRect& band) {
    band = DeviceRect();
    return false;
}

void TextBufferDevice::WriteText(int32_t, int32_t, const char* text, int length) {
    if (!buffer_ || !text || length <= 0) return;
    if (size_ - used_ > length) {
        std::memcpy(buffer_ + used_, text, static_cast<size_t>(length));
        used_ += length;
        buffer_[used_] = 0;
    }
}
