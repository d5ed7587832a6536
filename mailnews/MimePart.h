// Outgoing MIME messages: a tree of parts read out in their encoded form,
// piece by piece, into a caller's buffer. Form uploads over HTTP and mail
// bodies over SMTP read the same tree.
//
// Order of calls: build a part (type, names, data or source, encoding,
// children), prepare it once with ChooseEncoding, then call ReadEncoded
// until it says done. Rewind lets the reading start over; ChooseEncoding
// must run again before a second reading. File content is never held
// whole: it is scanned and encoded through one buffer of at most 16,384
// bytes.
#pragma once
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

class MimePart;

// Encoding kinds of a part (the numbering of the MIME text encodings).
enum MimePartEncoding : int {
    kPartBase64 = 2,
    kPartQuotedPrintable = 3,
    kPartSevenBit = 5,
    kPartEightBit = 6,
    kPartBinary = 7,
    kPartRaw = 8,  // 8 and 9: sent as they are, with no encoding line
};

// ChooseEncoding results.
enum MimeChooseResult : int {
    kChooseReady = 0,
    kChooseHoldsA = 1,  // the content holds boundary A
    kChooseHoldsB = 2,  // the content holds boundary B
    kChooseNoFile = 3,  // the file could not be opened or read
};

constexpr int kBoundaryLength = 32;

// The body of a multipart part: its children and the boundary between them.
class MimeMultipart {
public:
    MimeMultipart();
    ~MimeMultipart();
    void Add(std::unique_ptr<MimePart> part) { children_.push_back(std::move(part)); }
    const std::vector<std::unique_ptr<MimePart>>& Children() const { return children_; }
    const char* Boundary() const { return boundary_; }

    // Chooses a boundary that no child's content holds (outer: the boundary
    // of the enclosing multipart, or null) and prepares every child.
    int ChooseBoundary(const char* outer);
    void ReadEncoded(char* buffer, int32_t& count, int32_t capacity, bool& done);
    // Bytes the body writes: every boundary line and every child.
    uint32_t EncodedSize() const;
    void Rewind();
    // File parts among the children, and those of them up to the current
    // one that have started reading (upload progress).
    int32_t FileCount() const { return files_; }
    int32_t FilesStarted() const;
    void SetEncoding(int kind);

private:
    void Generate();

    std::vector<std::unique_ptr<MimePart>> children_;
    char boundary_[kBoundaryLength + 1] = {};
    bool noMoreChildren_ = false;
    bool lineWritten_ = false;
    bool emptyOpened_ = false;
    bool noCrLf_ = false;
    int32_t files_ = 0;
    size_t current_ = 0;
};

class MimePart {
public:
    MimePart();
    virtual ~MimePart();
    MimePart(const MimePart&) = delete;
    MimePart& operator=(const MimePart&) = delete;

    // The disposition word ("form-data", "attachment"; empty: none) and the
    // "name" parameter.
    void SetNames(const char* disposition, const char* name);
    // A type beginning "multipart/" makes the part a container.
    void SetContentType(const char* type);
    // A container takes the part; any other part drops it.
    void AddChild(std::unique_ptr<MimePart> part);
    // The content is a copy of the text.
    void SetData(const std::string& text);
    // Sets the kind, on a multipart also on every descendant.
    void SetEncoding(int kind);
    // The content comes from a local file (a path, or a file: URL on this
    // machine); another URL becomes a reference to it ("message/external-
    // body"); a name of another kind makes the part send nothing.
    void SetSource(const char* pathOrUrl);

    [[nodiscard]] int ChooseEncoding(const char* boundaryA, const char* boundaryB);
    // Writes the next piece at buffer + count, advancing count; sets done
    // when the whole part has been written.
    void ReadEncoded(char* buffer, int32_t& count, int32_t capacity, bool& done);
    // The bytes ReadEncoded writes in all (without headers: the content).
    uint32_t EncodedSize(bool withHeaders) const;
    void Rewind();

    bool IsMultipart() const { return (flags_ & kMultipartFlag) != 0; }
    bool IsFile() const { return (flags_ & kFileFlag) != 0; }
    bool HasStarted() const { return (flags_ & kStartedFlag) != 0; }
    bool HasFailed() const { return (flags_ & kFailedFlag) != 0; }
    int Encoding() const { return kind_; }
    const std::string& ContentType() const { return contentType_; }
    const std::string& FileName() const { return fileName_; }
    const std::string& HeaderText() const { return header_; }
    MimeMultipart& Body() { return body_; }

    // The prepared "filename" value of a path's last component (quoted, or
    // encoded as a header word when quoted-printable would escape some of
    // its characters) and the content type for its extension.
    static std::string FileNameFromPath(const std::string& path, std::string& contentType);

private:
    enum Flag : uint32_t {
        kStartedFlag = 1,
        kMultipartFlag = 2,
        kHeaderPendingFlag = 4,
        kFileFlag = 8,
        kFailedFlag = 16,
        kExternalFlag = 32,
        kBinaryFlag = 64,
    };
    int ScanFile(const char* a, const char* b);
    void BuildHeaders();
    bool OpenForReading();
    bool Refill();
    void CloseFile();
    // Encodes from the read buffer while room is left; false when the
    // caller must come again (the buffer is full).
    void ReadFile(char* buffer, int32_t& count, int32_t capacity, bool& done);

    std::string disposition_, name_, data_;
    uint32_t flags_ = 0;
    std::string fileName_, source_, contentType_, encodingName_, extraHeaders_;
    uint32_t totalSize_ = 0;
    int kind_ = kPartSevenBit;
    std::FILE* file_ = nullptr;
    std::vector<char> in_;
    size_t inPos_ = 0, inLength_ = 0;
    bool endOfFile_ = false;
    std::string header_;
    size_t outPos_ = 0;
    int32_t lineLength_ = 0;
    MimeMultipart body_;
};
