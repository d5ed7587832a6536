#include "core/Preferences.h"
#include "net/NetSettings.h"

void RefreshNetSettings() {
    if (!g_preferences) return;
    const Preferences& p = *g_preferences;
    NetSettings& s = GetNetSettings();
    s.maxConnectionsServer = p.Get(PrefInt::MaxConnectionsServer);
    s.maxConnectionsTotal = p.Get(PrefInt::MaxConnectionsTotal);
    s.synchronousDnsLookup = p.Get(PrefInt::SynchronousDnsLookup) != 0;
    s.networkBufferSize = p.Get(PrefInt::NetworkBufferSize);
    s.enableHostnameExpansion = p.Get(PrefInt::EnableHostnameExpansion) != 0;
    s.checkLocalHostname = p.Get(PrefInt::CheckLocalHostname) != 0;
    const char* prefix = p.Get(PrefText::HostnameExpansionPrefix);
    const char* postfix = p.Get(PrefText::HostnameExpansionPostfix);
    s.hostnameExpansionPrefix = prefix ? prefix : "";
    s.hostnameExpansionPostfix = postfix ? postfix : "";
    s.enableReferrer = p.Get(PrefInt::EnableReferrer) != 0;
    s.enableCookies = p.Get(PrefInt::EnableCookies) != 0;
}
