// The roads of an opened URL that end outside the program's own windows:
// telnet and tn3270 programs, the user's mail program or a compose window,
// the system's handler
// of a trusted scheme, and the refusals (a scheme that needs a proxy, an
// unknown one). What reaches a command line comes from pages, so it is
// checked and quoted first.
#pragma once
#include <windows.h>

#include "net/UrlHandle.h"
#include "windows/UrlRoads.h"

// The facts of a URL that choose its road, from the record and the
// preferences; a form sent by mail is known to the caller that submits it.
UrlRoadFacts UrlRoadFactsOf(const UrlHandle& url, bool carriesMailForm = false);

// Carries out one of the roads above for the URL (messages are owned by the
// window), and opens the compose window of a mailto or posting address;
// answers false, doing nothing, for the roads that the document windows take.
bool FollowOutsideRoad(HWND owner, UrlRoad road, const UrlHandle& url);

// The compose windows above this layer install how one is opened (the
// frame, the command; the list's compose URL holds the address). Without
// one a mailto address opens nothing.
using ComposeWindowOpener = HWND (*)(HWND frame, int command);
void SetComposeWindowOpener(ComposeWindowOpener opener);

// The compose windows install how a mail file (".pst") is opened.
using MailFileOpener = HWND (*)(const char* path);
void SetMailFileOpener(MailFileOpener opener);
// A name ending in ".pst" (any case) goes to the compose windows, which
// open it or tell why not: true. False for any other name.
bool OpenIfMailFile(const char* path);
