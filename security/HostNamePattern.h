// Host-name patterns: a server certificate's common name may be a shell-style
// expression. Syntax: "*" any run, "?" any one character, "[...]" one of a
// set ("^" first negates, x-y ranges, "\" escapes "]", "-" or "\"), "$" the
// end of the name, "(a|b|...)" alternatives, "~" negates the next element,
// "\" makes the next character literal; all else is literal and compared
// without regard to case (sets are case-sensitive). Matches are anchored at
// the first character of the host name.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "security/ErrorHolder.h"

class HostNamePattern;

struct PatternElement {
    enum Kind { kEmpty, kStar, kAny, kSet, kLiteral, kGroup, kEnd };
    Kind kind = kEmpty;
    bool negate = false;
    // Literal characters, or the members of a set.
    std::string text;
    // The alternatives of a group.
    std::vector<std::unique_ptr<HostNamePattern>> alternatives;
};

class HostNamePattern : public ErrorHolder {
public:
    // With wholeName the match must use up the host name.
    explicit HostNamePattern(bool wholeName);
    ~HostNamePattern() override;

    // Answers the position where compiling stopped. A syntax error raises
    // (511, 16639), unbalanced parentheses (511, 336).
    const char* Compile(const char* pattern);
    // Answers the position reached; matched is 1 on success. A compiled
    // pattern may be matched any number of times.
    const char* Match(const char* hostName, int& matched) const;

    size_t ElementCount() const { return elements_.size(); }

private:
    struct Matcher;
    const char* CompileSequence(const char* p, int depth, bool inGroup);
    const char* CompileElement(const char* p, int depth, bool negate);
    const char* CompileSet(const char* p, PatternElement& element);
    const char* CompileGroup(const char* p, int depth, PatternElement& element);
    bool Fail(uint32_t code);

    bool wholeName_;
    bool failed_ = false;
    std::vector<std::unique_ptr<PatternElement>> elements_;
};
