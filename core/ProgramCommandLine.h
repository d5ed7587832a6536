// The command line of an outside program started with one argument (the
// source viewer, telnet, tn3270, the mailer, programs of the viewer table).
#pragma once
#include <string>

// "program argument", or, when the program holds a '%', the argument in its
// place ("%s" as well as a bare '%'; a leading "mailto:" of the argument is
// then dropped, the program wanting the address alone). Without an argument
// a '%' becomes an empty quoted argument. The argument is quoted when it
// holds a blank, or always when asked: callers that hand on text from a page
// ask for it (and refuse a '"' in it first).
std::string ComposeProgramCommandLine(const std::string& program, const std::string& argument,
                                      bool alwaysQuote = false);
