// Ids of the core's message strings. An error status is the id of its
// message, so these numbers are also the status codes callers return.
#pragma once

#define IDS_INTERNAL_ERROR 20000
#define IDS_USER_AGENT 20097
#define IDS_CONNECTION_CLOSED 32864
#define IDS_NO_NEWS_SERVER 32914
