// Output devices that turn a painted page into plain text.
//
// The painting code draws on them as on any device; instead of pixels they
// write characters into a grid of cells of 10 by 10 layout units (column =
// x / 10, row = y / 10). The grid holds a block of lines at a time; the page
// loop (PagePainting.h) paints the page band by band, one band per block,
// and each finished block is handed on by FlushLines: TextFileDevice writes
// it to a file, the base device only empties it. TextBufferDevice instead
// appends every text drawn to a caller's buffer.
//
// Each slot of the grid is a line of width + 2 bytes that ends in CR LF
// right after its last character. The grid is one allocation; when it
// cannot be made every write is dropped and the output stays empty.
#pragma once
#include <cstdio>
#include <memory>
#include <string>

#include "layout/PagedDevice.h"

class PlainTextDevice : public PagedDevice {
public:
    static constexpr int32_t kCellSize = 10;
    static constexpr int32_t kMaxLines = 32767;

    // table: null, or 256 bytes that map each byte written (copied).
    PlainTextDevice(int width, int lines, const unsigned char* table);
    ~PlainTextDevice() override;

    // --- the output-device interface -------------------------------------
    void InvalidateArea(int32_t, int32_t, int32_t, int32_t, bool) override {}
    int32_t GetTextExtent(const char* text, int length) override;
    void DrawText(int32_t x, int32_t y, const char* text, int length) override;
    int32_t GetTabbedTextExtent(const char* text, int length) override;
    void DrawTabbedText(int32_t x, int32_t y, const char* text, int length) override;
    void DrawClippedText(int32_t, int32_t, const char*, int, const DeviceRect&) override {}
    void DrawEtchedFrame(int32_t x, int32_t y, int32_t w, int32_t h, const char* caption,
                         int captionLength) override;
    void DrawHorizontalRule(int32_t x, int32_t y, int32_t w, int32_t h, bool shaded) override;
    void DrawDottedLine(int32_t x, int32_t y, int32_t w) override;
    void FillDisc(int32_t x, int32_t y, int32_t w, int32_t h) override;
    void DrawFrameRect(int32_t, int32_t, int32_t, int32_t, int) override {}
    void DrawCircle(int32_t, int32_t, int32_t, int32_t) override {}
    void DrawCross(int32_t, int32_t, int32_t, int32_t) override {}
    void DrawBorderSide(int32_t, int32_t, int32_t, int32_t, int, DeviceColor, bool, int, int32_t,
                        int32_t) override {}
    void DrawBevel(int32_t, int32_t, int32_t, int32_t, int, bool) override {}
    void DrawSplitterBar(int32_t, int32_t, int32_t, int, bool) override {}
    void InvertArea(int32_t, int32_t, int32_t, int32_t) override {}
    void InvertFrame(int32_t, int32_t, int32_t, int32_t, int32_t) override {}
    DeviceColor GetBackgroundColor() override { return kWhite; }
    void SetBackgroundColor(DeviceColor) override {}
    void UseDefaultBackground() override {}
    void FillBackground(const DeviceRect&) override {}
    int32_t GetViewWidth() override { return kCellSize * width_; }
    int32_t GetViewHeight() override { return kMaxLines; }
    void SetBold() override {}
    void ClearBold() override {}
    bool IsBold() override { return false; }
    void SetItalic(int) override {}
    void ItalicOn() override {}
    void ItalicOff() override {}
    bool IsItalic() override { return false; }
    void SetUnderline() override {}
    void ClearDecorations() override {}
    bool IsUnderline() override { return false; }
    void StrikeOutOn() override {}
    void StrikeOutOff() override {}
    bool IsStrikeOut() override { return false; }
    void SetFontHeight(int) override {}
    int GetFontHeight() override { return kCellSize; }
    int GetLineHeight() override { return kCellSize; }
    int GetWeight() override { return weight_; }
    void SetWeight(int hundreds) override { weight_ = hundreds; }
    void SetLogFont(const LogFont&) override {}
    void GetTextMetrics(DeviceTextMetrics& out) override;
    void SetTextColor(DeviceColor) override {}
    DeviceColor GetTextColor() override { return kWhite; }
    bool IsNotScreen() override { return true; }
    bool IsTextOutput() override { return true; }

    // --- paging ------------------------------------------------------------
    int EndPage() override;
    bool NeedsBanding() override { return true; }
    bool NextBand(DeviceRect& band) override;

    // --- its own -------------------------------------------------------------
    // Hands on the rows written in the current block and empties them.
    virtual void FlushLines();
    // 2 when printing failed; this device never fails by itself.
    virtual int GetPrintStatus() { return printStatus_; }
    virtual bool IsOutOfPaper() { return outOfPaper_ != 0; }
    // Fits the grid to a layout of the given size in layout units before
    // it is painted: wider lines, or fewer of them. Only while nothing is
    // written in the current block.
    void GrowToFit(int32_t width, int32_t height);

    int Width() const { return width_; }
    int Lines() const { return lines_; }
    int LinesPerBlock() const { return linesPerBlock_; }
    int CurrentBlock() const { return currentBlock_; }
    bool HasGrid() const { return grid_ != nullptr; }
    // The text of a row of the current block, without its CR LF; empty
    // when there is no such row.
    std::string RowText(int row) const;

protected:
    static constexpr DeviceColor kWhite = 0xFFFFFF;

    // Writes the characters at the cell of (x, y); the buffer device appends
    // them instead.
    virtual void WriteText(int32_t x, int32_t y, const char* text, int length);
    // Draws count copies of a pattern (rules, dashes, bullets).
    virtual void WritePattern(int32_t x, int32_t y, int count, const char* pattern, int patternLength);
    // The slot of a row of the current block.
    char* Slot(int row) const { return grid_.get() + static_cast<size_t>(row) * (width_ + 2); }
    int HighestRow() const { return highestRow_; }
    void ForgetRows() { highestRow_ = -1; }
    int SlotTextLength(const char* slot) const;

    // The interface's primitives, for the operations this device leaves as
    // they are.
    void DeviceSelectFont(const LogFont&) override {}
    int32_t DeviceTextExtent(const char* text, int length) override { return kCellSize * length; }
    void DeviceTextOut(int32_t x, int32_t y, const char* text, int length) override;
    int32_t DeviceTabbedExtent(const char* text, int length) override { return kCellSize * length; }
    void DeviceTabbedOut(int32_t x, int32_t y, const char* text, int length) override;
    void DeviceClippedOut(int32_t, int32_t, const char*, int, const DeviceRect&) override {}
    int32_t DeviceTextInRect(const DeviceRect& rect, const char* text, int length, bool draw) override;
    void DeviceGetMetrics(DeviceTextMetrics& out) override;
    void DeviceSetTextColor(DeviceColor) override {}
    DeviceColor DeviceTextColor() override { return kWhite; }
    int DeviceSetCharacterExtra(int) override { return 0; }
    void DevicePolyline(const int32_t*, int, DeviceColor, int) override {}
    void DeviceFillRect(const DeviceRect&, DeviceColor) override {}
    void DeviceEllipse(const DeviceRect&, bool) override {}
    void DeviceInvertRect(const DeviceRect&) override {}
    void DeviceInvalidate(const DeviceRect&, bool) override {}
    void DeviceClientSize(int32_t& width, int32_t& height) override;
    void DeviceOuterSize(int32_t& width, int32_t& height) override { DeviceClientSize(width, height); }
    int DeviceDpi(bool) override { return 96; }

private:
    // Where count characters at (x, y) go, with the line made ready to
    // take them; null when they fall outside the block or the line.
    char* Cells(int32_t x, int32_t y, int& count);
    bool MakeGrid(int width, int lines, const unsigned char* table);

    int printStatus_ = 0;
    int outOfPaper_ = 0;
    int width_ = 0;
    int lines_ = 0;
    unsigned char* table_ = nullptr;  // inside the grid, or null
    std::unique_ptr<char[]> grid_;
    int currentBlock_ = -1;
    int linesPerBlock_ = 0;
    int highestRow_ = -1;
    int weight_ = 0;
};

// Writes each finished line to a stream that the caller opened and closes.
// A failed write (a full disk, a stream that cannot be written) is kept:
// the print status becomes 2, nothing more is written, and the caller must
// not present the file as complete.
class TextFileDevice : public PlainTextDevice {
public:
    TextFileDevice(std::FILE* file, int width, int lines, const unsigned char* table);
    void FlushLines() override;
    int GetPrintStatus() override { return writeFailed_ ? 2 : 1; }
    bool IsOutOfPaper() override { return false; }
    bool WriteFailed() const { return writeFailed_; }
    // The system's error number of the failed write (EIO when it gave
    // none); 0 while every write succeeded.
    int WriteError() const { return writeError_; }

private:
    std::FILE* file_;
    bool writeFailed_ = false;
    int writeError_ = 0;
};

// Appends all text drawn to a caller's buffer, which always ends in a zero
// byte; text that does not fit whole is dropped.
class TextBufferDevice : public PlainTextDevice {
public:
    TextBufferDevice(char* buffer, int size);
    bool NextBand(DeviceRect& band) override;
    void FlushLines() override {}
    int GetPrintStatus() override { return 1; }
    bool IsOutOfPaper() override { return false; }
    int Used() const { return used_; }

protected:
    void WriteText(int32_t x, int32_t y, const char* text, int length) override;
    void WritePattern(int32_t, int32_t, int, const char*, int) override {}

private:
    char* buffer_;
    int size_;
    int used_ = 0;
};
