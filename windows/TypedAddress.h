// Completing what a user types as an address (the address dialog, the
// address field of a document window, the home and special pages, other
// programs through DDE) into the URL that is opened.
#pragma once
#include <string>

// The text without surrounding white space.
std::string TrimTypedText(const std::string& text);

// A trimmed text with none of '.', ':', '/', '?' and '\' may be a hotlist
// nickname; it is looked up there before it is completed.
bool MayBeNickname(const std::string& trimmed);

// The URL a typed text stands for: drive paths become file URLs, "www.",
// "ftp.", "gopher." and "wais." names get their scheme, a host with a port
// or a bare name becomes http, anything else (a URL with its scheme) stays
// as typed. Empty for a blank text, which opens nothing.
std::string CompleteTypedAddress(const std::string& text);
