// The roads of an opened URL that end outside the program's own windows:
// telnet and tn3270 programs, the user's mail program, the system's handler
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
// window); answers false, doing nothing, for the roads that load the URL or
// open a compose window, which the document windows take.
bool FollowOutsideRoad(HWND owner, UrlRoad road, const UrlHandle& url);
