// String-table ids of the security library's messages (texts in
// resources/Security.rc).
#pragma once

#define IDS_SECURITY_NOT_AVAILABLE 21332
#define IDS_SECURITY_OPERATION_DISABLED 21334
#define IDS_SECURITY_NO_CRYPTO_LIBRARY 21335
#define IDS_SECURITY_BAD_NAME_PATTERN 21338
