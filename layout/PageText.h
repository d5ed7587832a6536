// A parsed page as plain text, as the browser saves a page as a text file:
// formatted on the plain-text device and painted page by page into lines
// of a given number of columns, each ended by CR LF.
#pragma once
#include <cstdio>

class DocumentContent;

// Writes the page to the file; answers 0, or the system's error number of
// the first failed write (ENOMEM when the device's grid could not be
// made). The caller flushes and closes the file.
int WritePageAsText(DocumentContent& content, std::FILE* out, int columns);
