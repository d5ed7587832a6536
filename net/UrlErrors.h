// Error ids that URL loading reports (0x8004's first parameter). Each is also
// the id of its text in the string table: resources/UrlLoad.rc takes the ids
// from the names below (the two it shares with the network layer have their
// texts in resources/Net.rc), so the table and the codes cannot disagree.
#pragma once

#include "net/NetErrors.h"

// The ids, for the resource compiler as well as for the code.
#define IDS_URL_SCRIPT_FAILED 32825
#define IDS_URL_CANNOT_DECRYPT 32841
#define IDS_URL_CARD_LIBRARY_MISSING 32833
#define IDS_URL_CARD_LIBRARY_WRONG 32834
#define IDS_URL_CARD_COMMUNICATION 32835
#define IDS_URL_CARD_NO_POWER 32836
#define IDS_URL_CARD_NOT_COMPATIBLE 32837
#define IDS_URL_CARD_NO_ANSWER 32838
#define IDS_URL_CARD_NO_ACCESS 32839
#define IDS_URL_CARD_NO_MEMORY 32840
#define IDS_URL_CARD_REDUNDANCY 32848
#define IDS_URL_CARD_UNDEFINED 32849
#define IDS_URL_NO_CONTENT 32887
#define IDS_URL_NOT_ENOUGH_MEMORY 32888
#define IDS_URL_CANNOT_WRITE_CACHE 32889
#define IDS_URL_TOO_MANY_REDIRECTS 32890
#define IDS_URL_CANNOT_EXPAND 32891
#define IDS_URL_FORBIDDEN 33040
#define IDS_URL_NOT_FOUND 33041
#define IDS_URL_SERVER_ERROR 33042
#define IDS_URL_NOT_IMPLEMENTED 33043
#define IDS_URL_ACCEPTED_NO_CONTENT 33044
#define IDS_URL_NO_MAIL_SERVER 33095
#define IDS_URL_CANNOT_OPEN_FILE 33120

#ifndef RC_INVOKED
#include <cstdint>

enum UrlError : int32_t {
    kErrScriptFailed = IDS_URL_SCRIPT_FAILED,           // "JavaScript execution failed"
    kErrUrlIllegalAddress = IDS_NET_ILLEGAL_ADDRESS,    // "Illegal address"
    kErrCannotDecrypt = IDS_URL_CANNOT_DECRYPT,         // "Could not decrypt file. ..."
    // The card reader's messages (net/CardReader.h).
    kErrCardLibraryMissing = IDS_URL_CARD_LIBRARY_MISSING,
    kErrCardLibraryWrong = IDS_URL_CARD_LIBRARY_WRONG,
    kErrCardCommunication = IDS_URL_CARD_COMMUNICATION,
    kErrCardNoPower = IDS_URL_CARD_NO_POWER,
    kErrCardNotCompatible = IDS_URL_CARD_NOT_COMPATIBLE,
    kErrCardNoAnswer = IDS_URL_CARD_NO_ANSWER,
    kErrCardNoAccess = IDS_URL_CARD_NO_ACCESS,
    kErrCardNoMemory = IDS_URL_CARD_NO_MEMORY,
    kErrCardRedundancy = IDS_URL_CARD_REDUNDANCY,
    kErrCardUndefined = IDS_URL_CARD_UNDEFINED,
    kErrOffline = IDS_NET_HOST_NOT_FOUND,               // "Could not locate remote server"
    kErrNoContent = IDS_URL_NO_CONTENT,                 // "The server returned a file with no content."
    kErrNotEnoughMemory = IDS_URL_NOT_ENOUGH_MEMORY,    // "Not enough memory to store the document"
    kErrCannotWriteCache = IDS_URL_CANNOT_WRITE_CACHE,  // "Could not write the document to the disk cache"
    kErrTooManyRedirects = IDS_URL_TOO_MANY_REDIRECTS,  // "Too many redirections"
    kErrCannotExpand = IDS_URL_CANNOT_EXPAND,           // "The compressed document could not be expanded..."
    kErrForbidden = IDS_URL_FORBIDDEN,                  // "The remote server refuses to perform the request"
    kErrNotFound = IDS_URL_NOT_FOUND,                   // "Address not found"
    kErrServerError = IDS_URL_SERVER_ERROR,             // "Remote server or file not found"
    kErrNotImplemented = IDS_URL_NOT_IMPLEMENTED,       // "The remote server lacks necessary functionality"
    kErrAcceptedNoContent =
        IDS_URL_ACCEPTED_NO_CONTENT,            // "Remote server accepted the request - no content returned"
    kErrNoMailServer = IDS_URL_NO_MAIL_SERVER,  // "No mail server specified. ..."
    kErrCannotOpenFile = IDS_URL_CANNOT_OPEN_FILE,  // "Could not open file"
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

#endif  // RC_INVOKED
