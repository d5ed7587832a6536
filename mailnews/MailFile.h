// The mail file (".pst") of a compose window: what the user was writing,
// kept to be opened again later. A text file of six header lines and the
// body byte for byte:
//
//   To : <value>
//   Newsgroup : <value>
//   CC : <value>
//   BCC : <value>
//   Subject : <value>
//   Body : <number of bytes>
//   <the body, exactly that many bytes, to the end of the file>
//
// Lines end in LF. A value keeps '\' as "\\", CR as "\r" and LF as "\n", so
// that no value can end its line early. The header names are read in any
// case. The body's count lets the reader tell a whole file from one that
// was cut short or grew: such a file is refused as a whole.
#pragma once
#include <string>
#include <string_view>

struct ComposeFields {
    std::string to, newsgroups, cc, bcc, subject;
    std::string body;  // as the body editor holds it (lines end in CR LF)

    bool operator==(const ComposeFields& o) const {
        return to == o.to && newsgroups == o.newsgroups && cc == o.cc && bcc == o.bcc && subject == o.subject &&
               body == o.body;
    }
};

std::string FormatMailFile(const ComposeFields& fields);

// Fills out from a whole file's text; false, leaving out as it was, when
// the text is not a whole mail file.
[[nodiscard]] bool ParseMailFile(std::string_view text, ComposeFields& out);
