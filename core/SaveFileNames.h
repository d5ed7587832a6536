// The file name proposed when a URL's content is saved.
#pragma once
#include <string>

struct ProposedFile {
    std::string name;    // empty: nothing to propose
    // With a name and an extension, a save-dialog filter of that one
    // extension: "*.ext", NUL, "*.ext", NUL, NUL.
    std::string filter;
};

// The last path component of the URL after its scheme ('/' and '\' separate
// components, the first ';' or '?' ends the path); a name of 255 characters
// or more is not proposed. The extension "jpe" is proposed as "jpg".
ProposedFile SplitFileNameFromUrl(const std::string& url);
