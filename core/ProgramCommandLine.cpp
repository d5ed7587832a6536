#include "core/ProgramCommandLine.h"

#include <strings.h>

namespace {

std::string Quoted(const std::string& argument, bool always) {
    bool quote = always || argument.find(' ') != std::string::npos;
    return quote ? "\"" + argument + "\"" : argument;
}

bool StartsWithMailto(const std::string& text) {
    return text.size() >= 7 && strncasecmp(text.c_str(), "mailto:", 7) == 0;
}

}  // namespace

std::string ComposeProgramCommandLine(const std::string& program, const std::string& argument,
                                      bool alwaysQuote) {
    size_t percent = program.find('%');
    if (percent == std::string::npos) {
        return argument.empty() ? program : program + " " + Quoted(argument, alwaysQuote);
    }
    std::string before = program.substr(0, percent);
    std::string after = program.substr(percent + 1);
    // "%s" after the '%' is the place holder itself.
    if (after.rfind('s', 0) == 0) after = after.substr(1);
    if (argument.empty()) return before + " \"\" " + after;
    std::string arg = StartsWithMailto(argument) ? argument.substr(7) : argument;
    return before + " " + Quoted(arg, alwaysQuote) + " " + after;
}
