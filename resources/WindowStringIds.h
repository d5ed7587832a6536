// Ids of the document windows' message strings.
#pragma once

#define IDS_NEW_WINDOW_FAILED 20002
#define IDS_NO_HOME_PAGE 20005
#define IDS_SEARCH_NOT_FOUND 20011
#define IDS_UNKNOWN_DOCUMENT 20074
#define IDS_CLOSE_ALL_WINDOWS 21050
