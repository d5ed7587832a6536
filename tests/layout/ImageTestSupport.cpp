#include "tests/layout/ImageTestSupport.h"

#include <cstdlib>
#include <sstream>

#include "tests/support/TestPaths.h"

namespace image_test {

void FeedWhole(Image& image, const std::string& data) {
    image.Decode(reinterpret_cast<const uint8_t*>(data.data()), static_cast<uint32_t>(data.size()), false);
}

void FeedInPieces(Image& image, const std::string& data, size_t piece) {
    std::string pending;
    for (size_t at = 0; at < data.size() && !image.IsComplete(); at += piece) {
        pending += data.substr(at, piece);
        bool more = at + piece < data.size();
        uint32_t left = image.Decode(reinterpret_cast<const uint8_t*>(pending.data()),
                                     static_cast<uint32_t>(pending.size()), more);
        pending.erase(0, pending.size() - (left < pending.size() ? left : pending.size()));
    }
}

std::vector<uint8_t> FramePixels(const Image& image, const ImageFrame& frame) {
    std::vector<uint8_t> out;
    int count = 0;
    const ImageColour* table = image.FrameColours(frame, count);
    for (int y = 0; y < frame.height; ++y) {
        const uint8_t* row = frame.Row(y);
        for (int x = 0; x < frame.width; ++x) {
            if (!row) {
                out.insert(out.end(), {0, 0, 0, 0});
                continue;
            }
            if (frame.bitsPerPixel == 24) {
                out.insert(out.end(), {row[3 * x + 2], row[3 * x + 1], row[3 * x], 255});
                continue;
            }
            int index;
            if (frame.bitsPerPixel == 8) {
                index = row[x];
            } else if (frame.bitsPerPixel == 4) {
                index = (row[x / 2] >> ((x & 1) ? 0 : 4)) & 15;
            } else {
                index = (row[x / 8] >> (7 - (x & 7))) & 1;
            }
            ImageColour c = index < count ? table[index] : ImageColour{0, 0, 0, 0};
            uint8_t alpha = index == frame.transparent ? 0 : 255;
            out.insert(out.end(), {c.red, c.green, c.blue, alpha});
        }
    }
    return out;
}

std::vector<uint8_t> FrameRgb(const Image& image, const ImageFrame& frame) {
    std::vector<uint8_t> rgba = FramePixels(image, frame);
    std::vector<uint8_t> rgb;
    for (size_t i = 0; i < rgba.size(); i += 4) rgb.insert(rgb.end(), {rgba[i], rgba[i + 1], rgba[i + 2]});
    return rgb;
}

uint64_t DibChecksum(Image& image) {
    uint64_t sum = 1469598103934665603ull;
    for (int n = 1; image.SelectFrame(n); ++n) {
        std::vector<uint8_t> dib(image.GetDibSize());
        if (!dib.empty() && !image.CopyDib(dib.data(), static_cast<uint32_t>(dib.size()))) return 0;
        for (uint8_t b : dib) sum = (sum ^ b) * 1099511628211ull;
        sum = (sum ^ static_cast<uint64_t>(dib.size())) * 1099511628211ull;
    }
    image.SelectFrame(1);
    return sum;
}

std::vector<uint8_t> PnmRgb(const std::string& pnm, int& width, int& height) {
    std::istringstream in(pnm);
    std::string magic;
    int maxValue = 0;
    in >> magic >> width >> height >> maxValue;
    in.get();
    std::string body = pnm.substr(static_cast<size_t>(in.tellg()));
    std::vector<uint8_t> rgb;
    for (unsigned char c : body) {
        if (magic == "P5") {
            rgb.insert(rgb.end(), {c, c, c});
        } else {
            rgb.push_back(c);
        }
    }
    return rgb;
}

std::string Fixture(const std::string& name) {
    return testing_support::ReadWholeFile(testing_support::SourcePath("tests/layout/images/" + name));
}

}  // namespace image_test
