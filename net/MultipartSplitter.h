// Splits a multipart reply (a server pushing one image or page after the
// other with multipart/x-mixed-replace) into its parts. The splitter takes
// the connection's bytes, finds the boundary lines, reads each part's
// headers and tells the URL record about each part with three messages:
// part begins (kMsgPartBegins), part data can be read (kMsgPartData), part
// ended (kMsgPartEnds). The record then reads the part's bytes through
// ReadPart. Binary parts pass unchanged. Platform-free: the record gives it
// a sink for the messages and a reader for the connection.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class MultipartSplitter {
public:
    // Where the messages go: the record's first window, with parameters (0, 0).
    class Sink {
    public:
        virtual ~Sink() = default;
        virtual void PostPartMessage(uint32_t message) = 0;
    };
    // Reads up to size bytes of the reply; answers the count (0 when none).
    using Reader = std::function<int(char* buffer, int size)>;

    // boundary: the "boundary" parameter of the reply's type, or null/empty
    // to learn it from the first line of the data that starts with "--".
    // capacity: the first size of the buffer (at least 5000 bytes).
    MultipartSplitter(Sink& sink, const char* boundary, int32_t capacity);
    MultipartSplitter(const MultipartSplitter&) = delete;
    MultipartSplitter& operator=(const MultipartSplitter&) = delete;

    // The connection has data: reads one block and posts what follows.
    // Answers the bytes read.
    int Read(const Reader& reader);
    // Copies up to maximum bytes of the current part; answers the count.
    int32_t ReadPart(char* destination, int32_t maximum);
    // On kMsgPartBegins: the new part's type ("text/plain" when it names
    // none), or empty when no part began since the last call. Posts
    // kMsgPartData when data waits.
    std::string TakePartType();
    // The record heard kMsgPartEnds.
    void PartEndHeard();
    // The connection ended: no delimiter can come any more; what is left
    // is the last part.
    void SetInputEnded();
    bool InputEnded() const { return inputEnded_; }
    // True while something is left for the record to hear or read: the
    // load must not end yet.
    bool HoldsData() const;
    // The delimiter in use ("--" followed by the boundary).
    const std::string& Delimiter() const { return delimiter_; }

    // Longest header block of one part, and longest learned boundary line:
    // a stream that passes them is not multipart and ends.
    static constexpr int32_t kMaxHeaderBlock = 65536;
    static constexpr int32_t kMaxLearnedLine = 256;

private:
    enum class Line { kNotDelimiter, kUndecided, kBoundary, kClosing };

    Sink& sink_;
    bool dataPosted_ = false;
    bool partEnded_ = true;
    bool inputEnded_ = false;
    bool boundaryPending_ = false;
    bool learning_ = false;
    bool lastPart_ = false;
    bool inPart_ = false;
    bool typePending_ = false;
    bool atLineStart_ = true;
    int unheardEnds_ = 0;
    std::string delimiter_;
    std::vector<char> buffer_;
    int32_t held_ = 0;
    int32_t available_ = 0;   // bytes of the current part at the buffer's front
    int32_t headerPos_ = -1;  // the line end of the boundary before the next part
    int32_t scanPos_ = 0;     // where the boundary scan goes on
    std::string partType_;

    void Process();
    void Scan();
    Line CheckLine(int32_t pos, int32_t& lineEnd);
    void BeginNextPart();
    void EndPart();
    void PostData();
    void Post(uint32_t message) { sink_.PostPartMessage(message); }
    void Erase(int32_t count);
    void CountUpTo(int32_t end);
    int32_t DataEndBefore(int32_t lineStart) const;
    void StopParts();
    void EndOfScan();
    void AdvanceParts();
};
