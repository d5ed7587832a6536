// Gathers the header text of an HTTP reply from the reads of a socket and
// finds where the body starts. Platform-free: HttpConnection feeds it.
//
// Feed() is called with each read until it answers something other than
// NeedMore; the bytes after the header end (or the whole reply when it has
// no status line) stay buffered for the body reader.
#pragma once
#include <cstddef>
#include <string>

class HttpReplyReader {
public:
    enum class Result {
        NeedMore,      // the header end has not arrived yet
        HeadersDone,   // HeaderText() is complete; body bytes may be buffered
        NoStatusLine,  // the reply does not begin with "HTTP/": all of it is body
    };

    Result Feed(const char* data, size_t size);

    // The peer closed before Feed() answered anything but NeedMore. Answers
    // NoStatusLine when what arrived cannot be the start of a status line
    // (it is then buffered as body), else HeadersDone with the text so far.
    Result FinishAtClose();

    const std::string& HeaderText() const { return headerText_; }
    size_t BufferedSize() const { return body_.size() - cursor_; }
    // Copies up to `size` buffered body bytes; answers how many.
    size_t ReadBuffered(char* buffer, size_t size);
    // Forgets everything: the reader is as new.
    void Reset();

private:
    std::string headerText_;
    std::string body_;
    size_t cursor_ = 0;
    bool statusLineChecked_ = false;
};
