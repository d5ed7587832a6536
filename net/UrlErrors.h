// Error ids that URL loading reports (0x8004's first parameter). Each is also
// the id of its text in the string table (resources/UrlLoad.rc).
#pragma once

#include <cstdint>

enum UrlError : int32_t {
    kErrScriptFailed = 32825,       // "JavaScript execution failed"
    kErrUrlIllegalAddress = 32832,  // "Illegal address"
    kErrCannotDecrypt = 32841,      // "Could not decrypt file. ..."
    kErrOffline = 32871,            // "Could not locate remote server"
    kErrNoContent = 32887,          // "The server returned a file with no content."
    kErrNotEnoughMemory = 32888,    // "Not enough memory to store the document"
    kErrCannotWriteCache = 32889,   // "Could not write the document to the disk cache"
    kErrTooManyRedirects = 32890,   // "Too many redirections"
    kErrForbidden = 33040,          // "The remote server refuses to perform the request"
    kErrNotFound = 33041,           // "Address not found"
    kErrServerError = 33042,        // "Remote server or file not found"
    kErrNotImplemented = 33043,     // "The remote server lacks necessary functionality"
    kErrAcceptedNoContent = 33044,  // "Remote server accepted the request - no content returned"
    kErrNoMailServer = 33095,       // "No mail server specified. ..."
    kErrCannotOpenFile = 33120,     // "Could not open file"
};

// The error id for an HTTP status: 0 for a status that is no error.
inline int32_t ErrorForHttpStatus(int32_t status) {
    switch (status) {
        case 403:
            return kErrForbidden;
        case 404:
            return kErrNotFound;
        case 501:
            return kErrNotImplemented;
        case 204:
            return kErrAcceptedNoContent;
        default:
            break;
    }
    if (status >= 400 && status < 500) return kErrUrlIllegalAddress;
    if (status >= 500 && status < 600) return kErrServerError;
    return 0;
}

// Redirects followed for one load before it fails: A to B to A must end.
constexpr int kMaxRedirects = 10;

// Reading stops after this much in one data report so that other windows
// keep their turn; the record posts itself another report for the rest.
constexpr int32_t kMaxReadPerReport = 1 << 20;
