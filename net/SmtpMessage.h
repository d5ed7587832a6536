// The text side of the mail client: recipient lists, the message headers,
// replies of the mail server, and the body made safe for DATA. Platform-
// free, so it is tested and fuzzed natively.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// The sender named in MAIL FROM and From when no sender is known: a valid
// address of a domain that can never exist.
constexpr char kPlaceholderSender[] = "nobody@sender.invalid";

// True when the text holds CR or LF: in a command or a header it would end
// the line and start one of the sender's choosing.
bool HasLineBreak(std::string_view text);

// The recipients of the To, CC and BCC lists, in that order; within a list
// runs of spaces and commas separate them.
std::vector<std::string> SplitRecipients(std::string_view to, std::string_view cc, std::string_view bcc);

struct SmtpHeaderFields {
    std::string date;  // empty: the Date line is left out
    std::string to, cc, from, subject, mailer;
    std::string contentType;  // empty: none
    bool bodyHasHeaders = false;  // the body brings its own content headers
};
// The header block of DATA, each line ending in CR LF; without a body of
// its own headers it ends with the empty line.
std::string SmtpHeaders(const SmtpHeaderFields& fields);

// Takes one complete reply from the front of buffer: continuation lines
// ("NNN-") are skipped, the reply ends with a line that begins with a
// digit and has no '-' as its fourth character. code is 0 for a line that
// begins with no number. False when more text is needed.
[[nodiscard]] bool TakeSmtpReply(std::string& buffer, int& code);

// Doubles a '.' that begins a line of the body, however the body is cut
// into blocks; Finish gives the end of the data ("\r\n.\r\n", or ".\r\n"
// after a body that already ends its last line).
class DotStuffer {
public:
    std::string Stuff(std::string_view block);
    std::string Finish() const;

private:
    bool atLineStart_ = true;
    bool lastWasCr_ = false;
    bool endsWithCrLf_ = true;  // the header block before the body ends its line
};
