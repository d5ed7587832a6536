// Hands the settings that URL loading and the disk cache consult to them, as
// plain values, whenever the preferences are loaded or a setter changes one.
#include <windows.h>

#include "core/Preferences.h"
#include "net/UrlRegistry.h"
#include "net/UrlSettings.h"

namespace {

// The object whose no-proxy list the loaders consult.
const Preferences* g_published = nullptr;

bool IsNoProxyHost(const char* host) {
    return g_published && g_published->IsHostExcludedFromProxy(host);
}

std::string TextOrEmpty(const char* text) {
    return text ? text : "";
}

}  // namespace

void Preferences::PublishUrlSettings() const {
    UrlSettings& s = GetUrlSettings();
    s.cacheDocs = Get(PrefInt::DiskCacheDocs) != 0;
    s.cacheFigs = Get(PrefInt::DiskCacheFigs) != 0;
    s.cacheOther = Get(PrefInt::DiskCacheOther) != 0;
    s.diskCacheSizeKb = diskCacheSize_;
    s.emptyOnExit = Get(PrefInt::EmptyCacheOnExit) != 0;
    s.docsModification = Get(PrefInt::DocsModification);
    s.figsModification = Get(PrefInt::FigsModification);
    s.otherModification = Get(PrefInt::OtherModification);
    s.docsExpirySeconds = GetExpirySeconds(CacheKind::Docs);
    s.figsExpirySeconds = GetExpirySeconds(CacheKind::Figs);
    s.otherExpirySeconds = GetExpirySeconds(CacheKind::Other);
    s.alwaysCheckRedirect = Get(PrefInt::AlwaysCheckRedirect) != 0;
    s.alwaysCheckRedirectImages = Get(PrefInt::AlwaysCheckRedirectImages) != 0;
    s.linkExpirySeconds = GetVisitedLinkLifetime();
    s.offlineMode = Get(PrefInt::OfflineMode) != 0;
    s.trustServerTypes = Get(PrefInt::TrustServerTypes) != 0;
    s.httpErrorStrategy = Get(PrefInt::HttpErrorStrategy);
    s.networkBufferKb = Get(PrefInt::NetworkBufferSize);
    s.allowPreAuthentication = Get(PrefInt::AllowPreAuthentication) != 0;
    s.absoluteFtpPath = Get(PrefInt::UseAbsoluteFtpPath) != 0;
    s.cacheDirectory = TextOrEmpty(Get(PrefText::CacheDirectory));
    s.profileDirectory = TextOrEmpty(GetUserDirectory());
    s.lastRunUnclean = lastRunUnclean_;
    s.httpProxy = TextOrEmpty(GetHttpProxy());
    s.ftpProxy = TextOrEmpty(GetFtpProxy());
    s.gopherProxy = TextOrEmpty(GetGopherProxy());
    s.waisProxy = TextOrEmpty(GetWaisProxy());
    g_published = this;
    s.isNoProxyHost = IsNoProxyHost;
}

void Preferences::WithdrawUrlSettings() const {
    if (g_published != this) return;
    g_published = nullptr;
    GetUrlSettings().isNoProxyHost = nullptr;
}

void Preferences::TellDiskCacheSize() const {
    if (UrlRegistry* registry = UrlRegistry::Instance()) {
        registry->SetCacheSizeLimit(static_cast<int32_t>(diskCacheSize_ * 1024));
    }
}
