// Ids of the hotlist's item editor ("Item Properties", HL_EDITITEM).
#pragma once

#define IDC_HL_NAME 10804
#define IDC_HL_URL 10805
#define IDC_HL_DESCRIPTION 10806
#define IDC_HL_CREATED 10807
#define IDC_HL_VISITED 10808
#define IDC_HL_PARENT 10809
#define IDC_HL_NICKNAME 10934
// The help page of the hotlist's dialogs.
#define HELP_HOTLIST 20010
