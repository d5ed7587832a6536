#include "core/HelpContexts.h"

namespace {

struct Range {
    int first, last, context;
};

// Menu commands by the part of the menu description that explains them.
constexpr Range kCommandHelp[] = {
    {10001, 10001, 20040}, {10003, 10006, 20040}, {10466, 10466, 20040}, {10475, 10476, 20040},
    {10008, 10010, 20041}, {10058, 10058, 20041}, {10270, 10270, 20041}, {10424, 10424, 20041},
    {10641, 10641, 20041}, {10031, 10032, 20042}, {10059, 10059, 20042}, {10065, 10065, 20042},
    {10087, 10087, 20042}, {10420, 10420, 20042}, {10477, 10478, 20042}, {10108, 10110, 20043},
    {10132, 10132, 20043}, {10304, 10304, 20043}, {10388, 10391, 20043}, {10393, 10393, 20043},
    {10401, 10401, 20043}, {10493, 10494, 20043}, {10593, 10593, 20043}, {10643, 10643, 20043},
    {4008, 4008, 20043},   {10018, 10020, 20045}, {10088, 10088, 20045}, {10498, 10498, 20045},
    {10564, 10565, 20045}, {10681, 10681, 20045}, {4010, 4011, 20045},   {10013, 10013, 20046},
    {10015, 10015, 20046}, {10479, 10479, 20046}, {10666, 10666, 20046}, {10674, 10674, 20046},
    {10554, 10559, 20090}, {10612, 10613, 20090}, {10640, 10640, 20090}, {10660, 10660, 20090},
    {4001, 4002, 20090},   {10616, 10617, 20091}, {10679, 10679, 20091}, {10618, 10623, 20092},
    {10626, 10626, 20092}, {10680, 10680, 20092}, {10682, 10682, 20092}, {4004, 4007, 20092},
};

struct Page {
    int context;
    const char* page;
};

constexpr Page kPages[] = {
    {20003, "dialogs.htm#direct"},
    {20009, "dialogs.htm#locked"},
    {20010, "dialogs.htm#hotlist"},
    {20034, "dialogs.htm#hotlist"},
    {20013, "prefmenu.htm#generic"},
    {20028, "prefmenu.htm#fonts"},
    {20029, "prefmenu.htm#links"},
    {20030, "dialogs.htm#unknown"},
    {20031, "prefmenu.htm#associate"},
    {20040, "menus.htm#file"},
    {20041, "menus.htm#edit"},
    {20042, "menus.htm#navigate"},
    {20043, "menus.htm#prefs"},
    {20045, "menus.htm#window"},
    {20046, "menus.htm#help"},
    {20047, "prefmenu.htm#advanced"},
    {20050, "prefmenu.htm#print"},
    {20055, "prefmenu.htm#jpg"},
    {20062, "prefmenu.htm#cache"},
    {20063, "prefmenu.htm#proxy"},
    {20064, "prefmenu.htm#mail"},
    {20065, "prefmenu.htm#news"},
    {20073, "prefmenu.htm#buttonstatus"},
    {20074, "prefmenu.htm#sethome"},
    {20076, "keys.htm"},
    {20078, "mail.htm"},
    {20087, "prefmenu.htm#docwin"},
    {20088, "prefmenu.htm#sounds"},
    {20090, "menus.htm#view"},
    {20091, "menus.htm#mail"},
    {20092, "menus.htm#news"},
    {20093, "prefmenu.htm#multimedia"},
    {20095, "prefmenu.htm#savewin"},
    {20098, "prefmenu.htm#ssl"},
    {20103, "prefmenu.htm#sslconfig"},
    {20106, "prefmenu.htm#acceptcert"},
    {20127, "prefmenu.htm#hotlist"},
    {20128, "prefmenu.htm#default"},
    {20136, "dialogs.htm#fileuplf"},
};

}  // namespace

int HelpContextOfCommand(int commandId) {
    for (const Range& r : kCommandHelp)
        if (commandId >= r.first && commandId <= r.last) return r.context;
    return 0;
}

const char* HelpPageOfContext(int context) {
    if (context == StartupTextContext) return nullptr;
    for (const Page& p : kPages)
        if (p.context == context) return p.page;
    return "index.htm";
}
