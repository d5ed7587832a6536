// The text side of the FTP client: replies on the control channel, the
// address of a PASV reply, the arguments of commands and the walk through
// the path of a URL. Platform-free, so it is tested and fuzzed natively.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// A control-channel reply taken from the front of the received text.
struct FtpReply {
    int code = 0;         // 0 when the reply did not begin with a number
    std::string message;  // the lines before the last, without "NNN-"
    std::string last;     // the last line, without its line end
};

// A reply longer than this is refused rather than gathered forever.
constexpr size_t kMaxFtpReplyBytes = 65536;

// Takes one complete reply from the front of buffer: its first line begins
// with a number, and some line ending in LF begins with that number and a
// space. A first line that begins with no number is a reply of code 0 once
// it has ended. False when more text is needed.
[[nodiscard]] bool TakeFtpReply(std::string& buffer, FtpReply& reply);

// The address of a 227 reply: the last run of digits and commas read as
// h1,h2,h3,h4,p1,p2, each below 256. The port is p1 * 256 + p2.
[[nodiscard]] bool ParsePasvReply(std::string_view text, uint16_t& port);

// The argument of a command: %XX escapes decoded (a '%' with fewer than two
// characters after it stays; a character that is no hex digit counts 0).
// False when the result holds CR, LF or NUL: such an argument would end the
// command early and smuggle in another.
[[nodiscard]] bool DecodeFtpArgument(std::string_view escaped, std::string& out);

// The components of a URL path for the CWD walk, still escaped, without
// their slashes; empty components are left out.
std::vector<std::string> SplitFtpPath(std::string_view path);
