#include "security/HostNamePattern.h"

#include <cctype>
#include <cstring>
#include <functional>
#include <new>

// Certificate names come from servers: bound how deep groups nest and how
// much work one match may do, so a hostile name costs a failed match, not
// the stack or minutes of backtracking.
static constexpr int kMaxGroupDepth = 16;
static constexpr long kMatchStepBudget = 200000;
// Matching recurses once per element: a name of thousands of elements is
// not a host name.
static constexpr size_t kMaxElements = 256;

static bool IsSpecial(char c) {
    return c && std::strchr("*?$[]()~|", c) != nullptr;
}

HostNamePattern::HostNamePattern(bool wholeName) : wholeName_(wholeName) {}
HostNamePattern::~HostNamePattern() = default;

bool HostNamePattern::Fail(uint32_t code) {
    if (!failed_) RaiseSecurityError(kErrorLibrary, code);
    failed_ = true;
    return false;
}

const char* HostNamePattern::Compile(const char* pattern) {
    elements_.clear();
    failed_ = false;
    if (!pattern) {
        Fail(kCodeBadNamePattern);
        return pattern;
    }
    const char* end = CompileSequence(pattern, 0, false);
    if (!failed_ && *end == ')') Fail(kCodeOutOfMemory);  // a ")" without its "("
    return end;
}

// Elements up to the end, or up to "|" or ")"; a top-level "|" ends the
// pattern there.
const char* HostNamePattern::CompileSequence(const char* p, int depth, bool inGroup) {
    while (*p && *p != '|' && *p != ')' && !failed_) p = CompileElement(p, depth, false);
    return p;
}

const char* HostNamePattern::CompileElement(const char* p, int depth, bool negate) {
    if (*p == '~') {
        ++p;
        if (*p == '|' || *p == ')' || !*p) {
            Fail(kCodeBadNamePattern);
            return p;
        }
        // A negated "*" or "?" stands for nothing.
        if (*p == '*' || *p == '?') return p + 1;
        return CompileElement(p, depth, !negate);
    }
    if (*p == ']' || elements_.size() >= kMaxElements) {
        Fail(kCodeBadNamePattern);
        return p;
    }
    auto element = std::make_unique<PatternElement>();
    element->negate = negate;
    switch (*p) {
        case '*':
            element->kind = PatternElement::kStar;
            ++p;
            break;
        case '?':
            element->kind = PatternElement::kAny;
            ++p;
            break;
        case '$':
            element->kind = PatternElement::kEnd;
            ++p;
            break;
        case '[':
            p = CompileSet(p + 1, *element);
            break;
        case '(':
            p = CompileGroup(p + 1, depth + 1, *element);
            break;
        default:
            element->kind = PatternElement::kLiteral;
            while (*p && !IsSpecial(*p)) {
                if (*p == '\\') {
                    if (!p[1]) {
                        ++p;
                        break;
                    }
                    ++p;
                }
                element->text += *p++;
            }
            break;
    }
    if (!failed_) elements_.push_back(std::move(element));
    return p;
}

const char* HostNamePattern::CompileSet(const char* p, PatternElement& element) {
    element.kind = PatternElement::kSet;
    if (*p == '^') {
        element.negate = !element.negate;
        ++p;
    }
    bool members[256] = {};
    bool any = false;
    auto next = [&](unsigned char& c) {
        if (*p == '\\') {
            if (p[1] != ']' && p[1] != '-' && p[1] != '\\') return Fail(kCodeBadNamePattern);
            ++p;
        }
        c = static_cast<unsigned char>(*p++);
        return true;
    };
    while (*p && *p != ']') {
        unsigned char low;
        if (!next(low)) return p;
        unsigned char high = low;
        if (*p == '-' && p[1] && p[1] != ']') {
            ++p;
            if (!next(high)) return p;
        }
        for (unsigned c = low; c <= high; ++c) members[c] = any = true;
    }
    if (*p != ']' || !any) {
        Fail(kCodeBadNamePattern);
        return p;
    }
    for (unsigned c = 1; c < 256; ++c)
        if (members[c]) element.text += static_cast<char>(c);
    return p + 1;
}

const char* HostNamePattern::CompileGroup(const char* p, int depth, PatternElement& element) {
    element.kind = PatternElement::kGroup;
    if (depth > kMaxGroupDepth) {
        Fail(kCodeBadNamePattern);
        return p;
    }
    for (;;) {
        auto alternative = std::unique_ptr<HostNamePattern>(new (std::nothrow) HostNamePattern(false));
        if (!alternative) {
            Fail(kCodeOutOfMemory);
            return p;
        }
        p = alternative->CompileSequence(p, depth, true);
        if (alternative->failed_) {
            Fail(alternative->Error().code);
            return p;
        }
        element.alternatives.push_back(std::move(alternative));
        if (*p == '|') {
            ++p;
            continue;
        }
        if (*p == ')') return p + 1;
        Fail(kCodeOutOfMemory);  // the group never closes
        return p;
    }
}

// Backtracking over the elements: each element hands every way it can match
// to the rest of the pattern (the continuation), "*" shortest first and a
// group's alternatives in order.
struct HostNamePattern::Matcher {
    using Rest = std::function<bool(const char*)>;
    long steps = 0;

    bool Sequence(const HostNamePattern& pattern, size_t i, const char* s, const Rest& rest) {
        if (++steps > kMatchStepBudget) return false;
        if (i == pattern.elements_.size()) return rest(s);
        const PatternElement& e = *pattern.elements_[i];
        auto next = [&](const char* t) { return Sequence(pattern, i + 1, t, rest); };
        if (e.negate && e.kind != PatternElement::kSet) {
            // A negated element succeeds, consuming nothing, where it fails.
            Matcher probe;
            bool alone = probe.Element(e, s, [](const char*) { return true; });
            steps += probe.steps;
            return !alone && next(s);
        }
        return Element(e, s, next);
    }

    bool Element(const PatternElement& e, const char* s, const Rest& next) {
        switch (e.kind) {
            case PatternElement::kEmpty:
                return next(s);
            case PatternElement::kStar:
                for (const char* t = s;; ++t) {
                    if (next(t)) return true;
                    if (!*t || steps > kMatchStepBudget) return false;
                }
            case PatternElement::kAny:
                return *s && next(s + 1);
            case PatternElement::kEnd:
                return !*s && next(s);
            case PatternElement::kSet: {
                if (!*s) return false;
                bool member = std::strchr(e.text.c_str(), *s) != nullptr;
                return member != e.negate && next(s + 1);
            }
            case PatternElement::kLiteral: {
                size_t n = e.text.size();
                for (size_t k = 0; k < n; ++k) {
                    if (!s[k]) return false;
                    if (std::tolower(static_cast<unsigned char>(s[k])) !=
                        std::tolower(static_cast<unsigned char>(e.text[k])))
                        return false;
                }
                return next(s + n);
            }
            case PatternElement::kGroup:
                for (const auto& alternative : e.alternatives)
                    if (Sequence(*alternative, 0, s, next)) return true;
                return false;
        }
        return false;
    }
};

const char* HostNamePattern::Match(const char* hostName, int& matched) const {
    matched = 0;
    if (!hostName || failed_) return hostName;
    const char* reached = hostName;
    Matcher matcher;
    bool whole = wholeName_;
    matched = matcher.Sequence(*this, 0, hostName, [&](const char* end) {
        if (whole && *end) return false;
        reached = end;
        return true;
    });
    return reached;
}
