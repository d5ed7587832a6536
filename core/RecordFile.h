// Record files: the binary data files of the browser (cookies, the cache
// index, visited links, news state) share one encoding, a flat sequence of
// big-endian numbers and strings with a 16-bit length. The owner of a file
// decides which fields come in which order; the first is by convention its
// 16-bit version number. Reading past the end never fails: numbers come back
// as 0 (or the bytes read so far), strings as empty.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>

// The longest string a record file can hold: its length is a 16-bit field.
constexpr size_t kMaxRecordStringLength = 0xFFFF;

// ReadRecordString's answer for a string that did not fit the caller's
// buffer: its bytes were skipped, so the next field is read correctly.
constexpr int kRecordStringTooLong = -1;

// Builds "<directory>\<name>" (no second backslash when the directory ends in
// one) into the buffer; false when the directory is null or empty or the path
// would not fit (1024 characters).
[[nodiscard]] bool BuildRecordFilePath(const char* directory, const char* name, char* path, size_t size);
// Opens the file of that name in the directory with an fopen mode; null when
// the path cannot be built or the file cannot be opened. The caller closes it.
FILE* OpenRecordFileIn(const char* directory, const char* name, const char* mode);

// Writers answer true when every byte was written.
bool WriteRecordByte(uint8_t value, FILE* file);
bool WriteRecordU16(uint16_t value, FILE* file);
bool WriteRecordU32(uint32_t value, FILE* file);
// A null string is written as length 0. A string longer than 65535 bytes
// cannot be stored: its length would wrap and every later field would be
// misread, so it is written as an empty string and false is answered.
[[nodiscard]] bool WriteRecordString(const char* text, FILE* file);

// The next byte, or 0 at the end of the file.
uint8_t ReadRecordByte(FILE* file);
// Most significant byte first; at the end of the file the value of the bytes
// read so far (0 when none).
uint16_t ReadRecordU16(FILE* file);
uint32_t ReadRecordU32(FILE* file);
// Reads a string field into the buffer, terminated, and answers the number of
// bytes stored (fewer than its length when the file ends inside it). A string
// that needs more room than the buffer has (length + 1 > size) leaves an empty
// buffer, has its bytes skipped, and answers kRecordStringTooLong.
[[nodiscard]] int ReadRecordString(char* buffer, size_t size, FILE* file);
// Reads count raw bytes when count is above 0 and below the buffer size, and
// terminates after the bytes read; otherwise leaves an empty string. Answers
// the number of bytes read.
size_t ReadRecordBytes(char* buffer, size_t size, size_t count, FILE* file);
