// Plays a URL record against a MultipartSplitter without windows: the
// splitter's messages wait in a queue and are handled in order, as the
// record's window would deliver them. Shared by the test and the fuzzer.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "core/InternalMessages.h"
#include "net/MultipartSplitter.h"

namespace multipart_test {

struct Part {
    std::string type;
    std::string bytes;
    bool ended = false;
};

class Driver : public MultipartSplitter::Sink {
public:
    explicit Driver(const char* boundary, int32_t capacity = 5000) : splitter(*this, boundary, capacity) {}

    void PostPartMessage(uint32_t message) override { queue.push_back(message); }

    // Feeds the stream in chunks of the given size, then its end.
    void Feed(const std::string& stream, size_t chunk) {
        size_t at = 0;
        while (at < stream.size()) {
            size_t n = stream.size() - at < chunk ? stream.size() - at : chunk;
            std::string piece = stream.substr(at, n);
            size_t taken = 0;
            // The connection hands over what it holds, as often as asked.
            while (taken < piece.size()) {
                int got = splitter.Read([&](char* into, int size) {
                    int k = static_cast<int>(piece.size() - taken) < size ? static_cast<int>(piece.size() - taken)
                                                                          : size;
                    piece.copy(into, static_cast<size_t>(k), taken);
                    taken += static_cast<size_t>(k);
                    return k;
                });
                if (got == 0) break;
                Drain();
            }
            at += n;
        }
        splitter.SetInputEnded();
        Drain();
    }

    void Drain() {
        while (!queue.empty()) {
            uint32_t m = queue.front();
            queue.pop_front();
            log.push_back(m);
            if (m == kMsgPartBegins) {
                std::string type = splitter.TakePartType();
                if (!type.empty()) parts.push_back(Part{type, std::string(), false});
            } else if (m == kMsgPartData) {
                char block[777];
                int32_t n;
                while ((n = splitter.ReadPart(block, sizeof block)) > 0) {
                    if (parts.empty()) {
                        orphanBytes += n;
                    } else {
                        parts.back().bytes.append(block, static_cast<size_t>(n));
                    }
                }
            } else if (m == kMsgPartEnds) {
                splitter.PartEndHeard();
                if (!parts.empty()) parts.back().ended = true;
            }
        }
    }

    // Every part began, then got data, then ended, in this order.
    bool WellOrdered() const {
        bool open = false;
        for (uint32_t m : log) {
            if (m == kMsgPartBegins) {
                if (open) return false;
                open = true;
            } else if (m == kMsgPartEnds) {
                if (!open) return false;
                open = false;
            }
        }
        return !open;
    }

    MultipartSplitter splitter;
    std::deque<uint32_t> queue;
    std::vector<uint32_t> log;
    std::vector<Part> parts;
    int64_t orphanBytes = 0;
};

}  // namespace multipart_test
