#include "app/SettingsHandOver.h"

#include <memory>
#include <string>

#include "documents/ScriptHost.h"
#include "html/PageProperties.h"
#include "html/StyleSheet.h"

#include "net/NetSettings.h"
#include "net/UrlRegistry.h"
#include "net/UrlSettings.h"

namespace {

std::unique_ptr<StyleSheet> g_userSheet;

// The object whose no-proxy list the loaders consult.
const Preferences* g_published = nullptr;

bool IsNoProxyHost(const char* host) {
    return g_published && g_published->IsHostExcludedFromProxy(host);
}

std::string TextOrEmpty(const char* text) {
    return text ? text : "";
}

void FillUrlSettings(const Preferences& p, UrlSettings& s) {
    s.cacheDocs = p.Get(PrefInt::DiskCacheDocs) != 0;
    s.cacheFigs = p.Get(PrefInt::DiskCacheFigs) != 0;
    s.cacheOther = p.Get(PrefInt::DiskCacheOther) != 0;
    s.diskCacheSizeKb = p.GetDiskCacheSize();
    s.emptyOnExit = p.Get(PrefInt::EmptyCacheOnExit) != 0;
    s.docsModification = p.Get(PrefInt::DocsModification);
    s.figsModification = p.Get(PrefInt::FigsModification);
    s.otherModification = p.Get(PrefInt::OtherModification);
    s.docsExpirySeconds = p.GetExpirySeconds(CacheKind::Docs);
    s.figsExpirySeconds = p.GetExpirySeconds(CacheKind::Figs);
    s.otherExpirySeconds = p.GetExpirySeconds(CacheKind::Other);
    s.alwaysCheckRedirect = p.Get(PrefInt::AlwaysCheckRedirect) != 0;
    s.alwaysCheckRedirectImages = p.Get(PrefInt::AlwaysCheckRedirectImages) != 0;
    s.linkExpirySeconds = p.GetVisitedLinkLifetime();
    s.offlineMode = p.Get(PrefInt::OfflineMode) != 0;
    s.trustServerTypes = p.Get(PrefInt::TrustServerTypes) != 0;
    s.httpErrorStrategy = p.Get(PrefInt::HttpErrorStrategy);
    s.allowPreAuthentication = p.Get(PrefInt::AllowPreAuthentication) != 0;
    s.absoluteFtpPath = p.Get(PrefInt::UseAbsoluteFtpPath) != 0;
    s.cacheDirectory = TextOrEmpty(p.Get(PrefText::CacheDirectory));
    s.profileDirectory = TextOrEmpty(p.GetUserDirectory());
    s.lastRunUnclean = p.LastRunWasUnclean();
    s.httpProxy = TextOrEmpty(p.GetHttpProxy());
    s.ftpProxy = TextOrEmpty(p.GetFtpProxy());
    s.gopherProxy = TextOrEmpty(p.GetGopherProxy());
    s.waisProxy = TextOrEmpty(p.GetWaisProxy());
    g_published = &p;
    s.isNoProxyHost = IsNoProxyHost;
}

void FillNetSettings(const Preferences& p, NetSettings& s) {
    s.maxConnectionsServer = p.Get(PrefInt::MaxConnectionsServer);
    s.maxConnectionsTotal = p.Get(PrefInt::MaxConnectionsTotal);
    s.synchronousDnsLookup = p.Get(PrefInt::SynchronousDnsLookup) != 0;
    s.networkBufferSize = p.Get(PrefInt::NetworkBufferSize);
    s.enableHostnameExpansion = p.Get(PrefInt::EnableHostnameExpansion) != 0;
    s.checkLocalHostname = p.Get(PrefInt::CheckLocalHostname) != 0;
    s.hostnameExpansionPrefix = TextOrEmpty(p.Get(PrefText::HostnameExpansionPrefix));
    s.hostnameExpansionPostfix = TextOrEmpty(p.Get(PrefText::HostnameExpansionPostfix));
    s.enableReferrer = p.Get(PrefInt::EnableReferrer) != 0;
    s.enableCookies = p.Get(PrefInt::EnableCookies) != 0;
    s.mailServer = TextOrEmpty(p.Get(PrefText::MailServer));
    s.mailName = TextOrEmpty(p.Get(PrefText::MailName));
    s.mailAddress = TextOrEmpty(p.Get(PrefText::MailAddress));
}

// Whose styles win on a page: the user's switches of the preferences.
void FillStyleSettings(const Preferences& p, StyleSettings& s) {
    s.enableLocalCss = p.Get(PrefInt::UiEnableLocalCss) != 0;
    s.cssEnableGlobal = p.Get(PrefInt::CssEnableGlobal) != 0;
    s.cssEnableLocal = p.Get(PrefInt::CssEnableLocal) != 0;
    s.cssLocalOverride = p.Get(PrefInt::CssLocalOverride) != 0;
    s.userSheet = g_userSheet.get();
}

// A new user directory means a new cache folder: the running registry
// follows it at once rather than at the next start.
void MoveCacheFolder(const UrlSettings& s) {
    UrlRegistry* registry = UrlRegistry::Instance();
    if (!registry || s.cacheDirectory.empty()) return;
    (void)registry->SetCacheDirectory(s.cacheDirectory.c_str(), true);
}

// The loaders must not ask a destroyed object for its no-proxy list.
void Withdraw(const Preferences& p) {
    if (g_published != &p) return;
    g_published = nullptr;
    GetUrlSettings().isNoProxyHost = nullptr;
}

}  // namespace

void HandSettingsToNet(const Preferences& preferences, Preferences::Change change) {
    if (change == Preferences::Change::Gone) {
        Withdraw(preferences);
        return;
    }
    FillUrlSettings(preferences, GetUrlSettings());
    FillNetSettings(preferences, GetNetSettings());
    FillStyleSettings(preferences, DefaultStyleSettings());
    if (change == Preferences::Change::Changed) MoveCacheFolder(GetUrlSettings());
    // Scripting switched off frees the engine; switched on, the next page
    // that has a script loads it again.
    if (ScriptHost* host = ScriptHost::Instance(); host && !preferences.Get(PrefInt::Scripting))
        (void)host->SetEnabled(false);
    // The registry keeps its own copy of the limit.
    if (change == Preferences::Change::DiskCacheSize) {
        if (UrlRegistry* registry = UrlRegistry::Instance())
            registry->SetCacheSizeLimit(static_cast<int32_t>(preferences.GetDiskCacheSize() * 1024));
    }
}

void LoadUserStyleSheet(const Preferences& preferences) {
    const char* path = preferences.Get(PrefText::LocalCssFile);
    g_userSheet = path && *path ? PageProperties::LoadUserStyleSheet(path) : nullptr;
    DefaultStyleSettings().userSheet = g_userSheet.get();
}

void FreeUserStyleSheet() {
    DefaultStyleSettings().userSheet = nullptr;
    g_userSheet.reset();
}

void InstallSettingsHandOver() {
    Preferences::SetListener(&HandSettingsToNet);
}
