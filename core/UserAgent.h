// The User-Agent text of every HTTP request and mail.
#pragma once
#include <cstddef>

// String 20097 filled with the Windows version text. Writes only when both
// are known and fit the buffer with the terminator; answers the length
// written, else 0.
size_t BuildUserAgent(char* buffer, size_t size);
