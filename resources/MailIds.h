// Ids of the compose window: its fields panel, its caption and its messages.
#pragma once

// The fields panel "MAILCLIENT".
#define IDC_MAIL_TO_LABEL 10240
#define IDC_MAIL_TO 10236
#define IDC_MAIL_NEWSGROUPS_LABEL 10496
#define IDC_MAIL_NEWSGROUPS 10497
#define IDC_MAIL_CC_LABEL 10705
#define IDC_MAIL_CC 10237
#define IDC_MAIL_BCC_LABEL 10242
#define IDC_MAIL_BCC 10760
#define IDC_MAIL_SUBJECT_LABEL 10243
#define IDC_MAIL_SUBJECT 10239
#define IDC_MAIL_BODY 10235
#define IDC_MAIL_SEND 10229

#define IDS_ZINTU_MAIL 20093
#define IDS_NO_MAIL_SERVER 20096
#define IDS_NO_RECIPIENT 20098
#define IDS_NEWS_POSTED 20100
