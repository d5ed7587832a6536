#include "core/CommandDispatcher.h"

#include <algorithm>
#include <iterator>

#include "core/CommandHandlers.h"
#include "core/DialogRuntime.h"

namespace {

using CommandHandler = LRESULT (*)(HWND, UINT, WPARAM, LPARAM);

struct Command {
    int id;
    CommandHandler handler;
};

// Sorted by id for the binary search below.
constexpr Command kCommands[] = {
    {4001, ToggleMenuBar},
    {4002, CmdSource},
    {4003, CmdReloadFrame},
    {4004, CmdMarkAsRead},
    {4005, CmdMarkAsUnread},
    {4006, CmdListOldArticles},
    {4007, CmdListAllGroups},
    {4008, ShowSoundsDialog},
    {4009, ShowSecurityDialog},
    {4010, OpenComposeWindow},
    {4011, CmdNewNewsWindow},
    {4012, CmdLoadDocumentImages},
    {4013, CmdGetLinkDocument},
    {4014, CmdGetLinkDocumentNewWindow},
    {4015, CmdAddLinkToHotlist},
    {4016, CopyImageAddress},
    {10001, OpenFileCommand},
    {10003, SaveDocumentAs},
    {10004, CmdPrint},
    {10005, CmdPrintSetup},
    {10006, CmdCloseWindow},
    {10008, CmdCut},
    {10009, CmdCopy},
    {10010, CmdPaste},
    {10013, CmdHelpContents},
    {10015, CmdAbout},
    {10018, CmdCascadeWindows},
    {10019, CmdTileWindows},
    {10020, CmdArrangeIcons},
    {10031, CmdNavigateNext},
    {10032, CmdNavigatePrevious},
    {10058, CmdFind},
    {10059, CmdOpenRemote},
    {10065, CmdReload},
    {10087, CmdAddActiveToHotlist},
    {10088, CmdNewDocumentWindow},
    {10108, ShowGenericPrefsDialog},
    {10109, ShowAdvancedPrefsDialog},
    {10110, ShowDocumentAppearanceDialog},
    {10132, ShowAssociateDialog},
    {10215, CmdCopyDocumentAddress},
    {10216, CmdCopyLinkAddress},
    {10217, ShowLinkPresentationDialog},
    {10251, CmdCopyImage},
    {10262, CmdSaveImage},
    {10263, CmdGetFigure},
    {10270, CmdLoadAllImages},
    {10304, ShowLinkPresentationDialog},
    {10388, ShowNewsPrefsDialog},
    {10389, ShowCachePrefsDialog},
    {10391, ShowProxyPrefsDialog},
    {10393, ShowJpegPrefsDialog},
    {10401, ShowMailPrefsDialog},
    {10416, CmdGetLinkDocument},
    {10417, CmdGetLinkDocumentNewWindow},
    {10418, CmdAddLinkToHotlist},
    {10419, CopyImageAddress},
    {10420, CmdStopActiveWindow},
    {10423, CmdAddContextDocumentToHotlist},
    {10424, CmdClear},
    {10426, CmdWindowBack},
    {10427, CmdWindowForward},
    {10428, CmdWindowReload},
    {10429, CmdStopActiveWindow},
    {10430, CmdWindowHome},
    {10432, CloneWindow},
    {10466, CmdNewDocumentWindow},
    {10467, CmdComposeOpen},
    {10468, SaveComposeWindowAs},
    {10469, CmdComposeExit},
    {10470, CmdComposeSend},
    {10475, CmdCloseActiveWindow},
    {10476, CmdPrintMargins},
    {10477, CmdActiveWindowHome},
    {10478, CmdSetHome},
    {10479, CmdHelpKeyboard},
    {10493, CmdSaveWindowSettings},
    {10494, ShowBarPrefsDialog},
    {10498, CmdCloneActiveWindow},
    {10554, HideButtonBar},
    {10555, ShowSimpleButtonBar},
    {10556, ShowFullButtonBar},
    {10557, PlaceStatusBarTop},
    {10558, HideStatusBar},
    {10559, PlaceStatusBarBottom},
    {10564, CmdCloseAllWindows},
    {10565, CmdMinimizeAllWindows},
    {10593, ShowDocumentWindowPrefsDialog},
    {10612, CmdToggleScrollBars},
    {10613, CmdToggleProgressBar},
    {10616, CmdComposeSend},
    {10617, CmdComposeInclude},
    {10618, CmdPreviousArticle},
    {10619, CmdNextArticle},
    {10620, CmdNewsReply},
    {10621, CmdNewsFollowup},
    {10622, CmdNewsForward},
    {10623, CmdNewsCatchup},
    {10626, CmdShowThreads},
    {10640, CmdLocalButtonBar},
    {10641, CmdSelectAll},
    {10643, ShowMultimediaPrefsDialog},
    {10655, CmdPairLinksFromWindow},
    {10656, CmdPairInThisWindow},
    {10660, CmdFrameSource},
    {10663, CmdFrameSource},
    {10664, CmdReloadContextFrame},
    {10666, CmdMailToMaker},
    {10668, CmdCopyFrameAddress},
    {10669, CmdAddFrameToHotlist},
    {10670, CmdReloadContextObject},
    {10671, CmdCopyContextObject},
    {10672, CmdSaveContextObject},
    {10673, CmdCopyContextObjectAddress},
    {10674, CmdOpenRecentUrl},
    {10679, OpenComposeWindow},
    {10680, CmdNewNewsWindow},
    {10681, CmdNewSearchWindow},
    {10682, CmdNewsPost},
    {10708, CmdMaximizeContextWindow},
    {10725, CmdReloadAll},
    {10761, CmdSaveLinkDocumentAs},
    {10781, SaveContextDocumentAs},
    {10835, CmdShowCache},
    {10836, CmdShowDownloads},
    {10837, CmdShowGlobalHistory},
    {10838, CmdShowPlugins},
    {10847, CmdHelpPrint},
    {10848, CmdHelpCopy},
    {10849, CmdHelpSearch},
    {10851, CmdHelpBack},
    {10852, CmdHelpForward},
    {10853, CmdHelpHome},
    {10854, CmdHelpIndex},
    {10855, CmdHelpKeys},
    {10856, CmdCloseWindow},
    {10872, CmdCopyContextSelection},
    {10937, ToggleHotlistWindow},
    {10977, SaveActiveDocumentAs},
    {20002, CmdNewWindowFailed},
    {20003, CmdDirectAddress},
};

// Ids that are known and do nothing: retired commands whose buttons may still
// sit in saved tool-bar sets.
bool IsInertCommand(int id) {
    return (id >= 10978 && id <= 10993) || id == 20001 || (id >= 20004 && id <= 20009);
}

const Command* FindCommand(int id) {
    auto it = std::lower_bound(std::begin(kCommands), std::end(kCommands), id,
                               [](const Command& c, int wanted) { return c.id < wanted; });
    return it != std::end(kCommands) && it->id == id ? it : nullptr;
}

}  // namespace

bool IsDispatchedCommand(int commandId) {
    return FindCommand(commandId) || IsInertCommand(commandId);
}

int CommandDispatcher(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (WindowProcFront(window, message, wParam, lParam, 0, &result)) return 1;
    int id = LOWORD(wParam);
    if (const Command* command = FindCommand(id)) {
        command->handler(window, message, wParam, lParam);
        return 1;
    }
    return IsInertCommand(id) ? 1 : 0;
}
