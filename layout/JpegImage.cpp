#include "layout/JpegImage.h"

#include <cstring>
#include <new>

#include "layout/JpegLibrary.h"

namespace {
// Rows are asked of the library one at a time, straight into the frame: a
// row handed over but not filled (the data ran out) is the only one that
// must be cleared, as the image's memory is not zero-filled.
}  // namespace

struct JpegImage::State {
    JpegRecord record = {};
    bool initialised = false;
    bool headerRead = false;
    bool started = false;
    // Handed to the library, which may keep its own state in them.
    unsigned char sourceArea[64] = {};
    unsigned char errorArea[256] = {};
};

JpegImage::JpegImage() = default;

JpegImage::~JpegImage() {
    Finish();
}

void JpegImage::Finish() {
    if (state_ && state_->initialised && JpegLibrary().destroy) JpegLibrary().destroy(&state_->record);
    state_.reset();
}

void JpegImage::Reset() {
    Finish();
    Image::Reset();
}

uint32_t JpegImage::Decode(const uint8_t* data, uint32_t length, bool moreToCome) {
    if (complete_) return 0;
    if (!LoadJpegLibrary()) {
        MarkComplete();
        return 0;
    }
    if (!state_) {
        if (!HoldState(state_)) return length;
        state_->initialised = JpegLibrary().init(&state_->record, state_->sourceArea, state_->errorArea) != 0;
        if (!state_->initialised) {
            Finish();
            MarkComplete();
            return 0;
        }
    }
    JpegRecord& record = state_->record;
    // Bytes the library chose to pass over may lie beyond this data.
    if (record.skipBytes > 0) {
        if (length < record.skipBytes) {
            record.skipBytes -= length;
            // The data may also end inside what is passed over.
            if (!moreToCome) EndDecoding();
            return 0;
        }
        data += record.skipBytes;
        length -= record.skipBytes;
        record.skipBytes = 0;
    }
    int started = StartOutput(data, length);
    int produced = started > 0 ? ProduceRows() : 0;
    ImageFrame* frame = CurrentFrame();
    bool whole = started > 0 && frame && frame->rowsDecoded >= frame->height;
    if (started < 0 || produced < 0 || whole || !moreToCome) {
        EndDecoding();
        return 0;
    }
    return record.sourceBytes;
}

void JpegImage::EndDecoding() {
    ImageFrame* frame = CurrentFrame();
    if (frame && frame->rowsDecoded > 0) OnFrameComplete(*frame);
    Finish();
    MarkComplete();
}

int JpegImage::StartOutput(const uint8_t*& data, uint32_t& length) {
    State& s = *state_;
    const JpegEntryPoints& library = JpegLibrary();
    s.record.source = data;
    s.record.sourceBytes = length;
    int error = 0;
    if (!s.headerRead) {
        if (!CurrentFrame() && !StartFrame()) return -1;
        int read = library.readHeader(&s.record, &error);
        if (error) return -1;
        if (!read) return 0;
        s.headerRead = true;
    }
    if (s.started) return 1;
    JpegOptions options = ReadJpegOptions();
    int ready = library.start(&s.record, &error, nullptr, 0, 0, options.singlePass, options.ditherMode,
                              options.dctMethod, options.smoothing);
    if (error) return -1;
    if (!ready) return 0;
    s.started = true;
    return SetUpFrame();
}

int JpegImage::SetUpFrame() {
    const JpegRecord& record = state_->record;
    ImageFrame& frame = *CurrentFrame();
    if (record.outputWidth == 0 || record.outputHeight == 0 || record.outputWidth > 65535 ||
        record.outputHeight > 65535) {
        return -1;
    }
    bool mapped = record.colourMap && record.colourCount > 0;
    if (mapped || record.outputComponents == 1) {
        // Grey output without a map of its own gets a grey ramp, so that it
        // draws on every display.
        int count = mapped ? (record.colourCount < 256 ? record.colourCount : 256) : 256;
        ImageColour* table = AllocateColours(count);
        if (!table) return -1;
        for (int i = 0; i < count; ++i) {
            if (!mapped) {
                uint8_t v = static_cast<uint8_t>(i);
                table[i] = ImageColour{v, v, v, 0};
            } else if (record.outputColourSpace == 1) {
                uint8_t v = record.colourMap[0][i];
                table[i] = ImageColour{v, v, v, 0};
            } else {
                table[i] =
                    ImageColour{record.colourMap[2][i], record.colourMap[1][i], record.colourMap[0][i], 0};
            }
        }
        SetImageColours(table, count);
        frame.bitsPerPixel = 8;
    } else if (record.outputComponents == 3) {
        frame.bitsPerPixel = 24;
    } else {
        return -1;
    }
    SetFrameSize(frame, static_cast<int>(record.outputWidth), static_cast<int>(record.outputHeight));
    return 1;
}

int JpegImage::ProduceRows() {
    State& s = *state_;
    ImageFrame& frame = *CurrentFrame();
    int total = 0;
    while (frame.rowsDecoded < frame.height) {
        bool fresh = frame.Row(frame.rowsDecoded) == nullptr;
        unsigned char* row = RowForWriting(frame, frame.rowsDecoded, true);
        if (!row) return -1;
        int error = 0;
        int got = JpegLibrary().decompress(&s.record, &error, &row, 1);
        if (got <= 0 && fresh) memset(row, 0, frame.RowBytes());
        if (error) return -1;
        if (got <= 0) break;
        ++frame.rowsDecoded;
        ++total;
    }
    return total;
}
