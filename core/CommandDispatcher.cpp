#include "core/CommandDispatcher.h"

#include <algorithm>
#include <vector>

#include "core/DialogRuntime.h"
#include "resources/CoreIds.h"

namespace {

// Ids of retired commands whose buttons may still sit in saved tool-bar
// sets: known, and they do nothing.
constexpr int kFirstRetiredButton = 10978;
constexpr int kLastRetiredButton = 10993;
constexpr int kRetiredWindowCommand = 20001;
constexpr int kFirstRetiredWindowCommand = 20004;
constexpr int kLastRetiredWindowCommand = 20009;

// Menu items below this are the document windows of the "Window" menu (and
// above the command range the system's own), never commands.
constexpr int kFirstCommandId = CMD_TOGGLE_MENU;
constexpr int kFirstSystemCommand = SC_SIZE;

// Sorted by id for the binary search below.
std::vector<CommandBinding>& Bindings() {
    static std::vector<CommandBinding> bindings;
    return bindings;
}

std::vector<CommandBinding>::iterator Find(int id) {
    auto& all = Bindings();
    return std::lower_bound(all.begin(), all.end(), id,
                            [](const CommandBinding& b, int wanted) { return b.commandId < wanted; });
}

CommandHandler HandlerOf(int id) {
    auto it = Find(id);
    return it != Bindings().end() && it->commandId == id ? it->handler : nullptr;
}

bool IsRetiredCommand(int id) {
    return (id >= kFirstRetiredButton && id <= kLastRetiredButton) || id == kRetiredWindowCommand ||
           (id >= kFirstRetiredWindowCommand && id <= kLastRetiredWindowCommand);
}

bool IsCommandItem(UINT id) {
    return id >= static_cast<UINT>(kFirstCommandId) && id < static_cast<UINT>(kFirstSystemCommand);
}

}  // namespace

void RegisterCommand(int commandId, CommandHandler handler) {
    auto& all = Bindings();
    auto it = Find(commandId);
    bool present = it != all.end() && it->commandId == commandId;
    if (!handler) {
        if (present) all.erase(it);
    } else if (present) {
        it->handler = handler;
    } else {
        all.insert(it, CommandBinding{commandId, handler});
    }
}

void RegisterCommands(const CommandBinding* bindings, size_t count) {
    for (size_t i = 0; i < count; ++i) RegisterCommand(bindings[i].commandId, bindings[i].handler);
}

void ClearCommands() {
    Bindings().clear();
}

bool IsDispatchedCommand(int commandId) {
    return HandlerOf(commandId) || IsRetiredCommand(commandId);
}

int CommandDispatcher(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (WindowProcFront(window, message, wParam, lParam, 0, &result)) return 1;
    int id = LOWORD(wParam);
    if (CommandHandler handler = HandlerOf(id)) {
        handler(window, message, wParam, lParam);
        return 1;
    }
    return IsRetiredCommand(id) ? 1 : 0;
}

void GreyCommandsWithoutHandler(HMENU menu) {
    if (!menu) return;
    int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        if (HMENU sub = GetSubMenu(menu, i)) {
            GreyCommandsWithoutHandler(sub);
            continue;
        }
        UINT id = GetMenuItemID(menu, i);
        if (IsCommandItem(id) && !IsDispatchedCommand(static_cast<int>(id)))
            EnableMenuItem(menu, static_cast<UINT>(i), MF_BYPOSITION | MF_GRAYED);
    }
}
