// Ids of the browsing resources: the document window bars, the timed
// message box and the messages of opening addresses.
#pragma once

// Bottom bar "BOTTOMTOOLBARFULL". Each control's id is also the id of its
// help text in the string table.
#define IDC_BAR_HISTORY 10069
#define IDC_BAR_STOP 10143
#define IDC_BAR_IMAGES 10247
#define IDC_BAR_PROGRESS_TEXT 10533
#define IDC_BAR_PERCENT 10534
#define IDC_BAR_FIGURES 10535
#define IDC_BAR_BYTES 10536
#define IDC_BAR_IMAGE_MODE 10562
#define IDC_BAR_ZOOM 10596
#define IDC_BAR_DOCUMENT_MODE 10724
#define IDC_BAR_SECURITY 10748
#define IDC_BAR_CONNECTIONS 10785
#define IDC_BAR_TIME 10786

// News bar "TOPTOOLBAR4".
#define IDC_NEWS_PREVIOUS 10511
#define IDC_NEWS_NEXT 10512
#define IDC_NEWS_REPLY 10515
#define IDC_NEWS_FOLLOWUP 10516
#define IDC_NEWS_FORWARD 10518
#define IDC_NEWS_POST 10519
#define IDC_NEWS_MARK_UNREAD 10520
#define IDC_NEWS_MARK_READ 10521
#define IDC_NEWS_SORT 10522
#define IDC_NEWS_FILTER 10568
#define IDC_NEWS_OVERVIEW 10606
#define IDC_NEWS_GROUP 10607
#define IDC_NEWS_ALL_GROUPS 10608
#define IDC_NEWS_ALL_ARTICLES 10609
#define IDC_NEWS_MARK_ALL_READ 10610
#define IDC_NEWS_THREADS 10625

// The timed message box "MESSAGE".
#define IDC_MESSAGE_PICTURE 10570
#define IDC_MESSAGE_TEXT 10571

// Labels of the image-mode button.
#define IDS_IMAGES_LOAD 21236
#define IDS_IMAGES_SHOW 21237
#define IDS_IMAGES_OFF 21238

// Opening addresses.
#define IDS_UNKNOWN_ADDRESS_TYPE 20003
#define IDS_NO_TELNET_APP 20048
#define IDS_NO_TELNET_HOST 20049
#define IDS_NEEDS_PROXY 20076
#define IDS_NO_TN3270_APP 20121
#define IDS_NO_TN3270_HOST 20122
#define IDS_UNSAFE_OUTSIDE_ARGUMENT 20137

// The progress of a window's load and the end of a mail message.
#define IDS_MAIL_POSTED 20073
#define IDS_LOOKING_UP_HOST 21060
#define IDS_CONNECTING_HOST 21061
#define IDS_SENDING_REQUEST 21062
#define IDS_RECEIVING_DATA 21063

// Saving images.
#define IDS_IMAGE_FILE_FILTER 20059
#define IDS_IMAGE_NOT_SAVED 20151

// The address dialog "HENTURL".
#define IDC_URL_ENTRY 10037

// Help contexts.
#define HELP_OPEN_URL 20003
#define HELP_BARS 20081
#define HELP_MESSAGE_BOX 20086
