// The "Locked Document" dialog (AUTHENTICATE): a server, a proxy or a news
// server refused a document window's load for want of a user name and
// password. What the user types goes to the URL record, which loads again;
// a cancel ends the window's load.
#pragma once
#include <windows.h>

#include <cstdint>

// Who asks, as the load notice says: 0 a server, 1 a server that refused
// what was sent, 2 and 3 the same for a proxy, 4 and 5 for a news server.
enum AuthenticationMode : uint32_t {
    kAuthServer = 0,
    kAuthServerAgain = 1,
    kAuthProxy = 2,
    kAuthProxyAgain = 3,
    kAuthNews = 4,
    kAuthNewsAgain = 5,
};

// The longest user name and password the dialog takes.
constexpr int kLongestUserName = 100;
constexpr int kLongestPassword = 30;

// Asks for the URL record (by its id) that the window loads. While another
// request has the dialog open, this one comes back to the window 300 ms
// later. Answers what the dialog ended with (1 OK, 2 Cancel), 0 when the
// request waits or names nothing of the window, -1 when the dialog could
// not be made (the user has been told).
INT_PTR RequestAuthentication(HWND view, uint32_t mode, uint32_t recordId);
