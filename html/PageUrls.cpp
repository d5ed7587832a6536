#include "html/PageUrls.h"

#include "net/UrlNames.h"
#include "net/UrlRecord.h"
#include "net/UrlRegistry.h"

UrlHandle PageUrls::Find(const UrlHandle* base, const char* text, const char* fragment) {
    if (!text) return UrlHandle();
    // The program's registry, once it is there, shares records between pages
    // and knows the cache.
    if (UrlRegistry* registry = UrlRegistry::Instance()) {
        const UrlHandle* from = base && !base->IsEmpty() ? base : nullptr;
        return registry->Find(from, text, fragment && *fragment ? fragment : nullptr, false);
    }
    std::string name;
    int scheme = kSchemeUnknown;
    bool resolved;
    if (base && !base->IsEmpty() && base->GetName()) {
        UrlBase from{base->GetName(), (*base)->GetScheme()};
        resolved = ResolveUrlName(&from, text, ResolveOptions(), name, scheme);
    } else {
        resolved = ResolveUrlName(nullptr, text, ResolveOptions(), name, scheme);
    }
    if (!resolved || name.empty()) return UrlHandle();
    auto found = records_.find(name);
    if (found == records_.end()) {
        UrlHandle made(name.c_str(), false);
        made->SetScheme(scheme);
        found = records_.emplace(name, made).first;
    }
    return UrlHandle(found->second.Record(), fragment && *fragment ? fragment : nullptr);
}

std::string PageUrls::FullName(const UrlHandle& url) {
    std::string out = url.GetName() ? url.GetName() : "";
    if (url.GetFragment()) out += std::string("#") + url.GetFragment();
    return out;
}

UrlHandle PageUrls::Icon(const char* name) {
    if (UrlRegistry* registry = UrlRegistry::Instance()) return registry->Find(nullptr, name, nullptr, false);
    auto found = records_.find(name);
    if (found == records_.end()) {
        UrlHandle made(name, false);
        made->SetScheme(kSchemeIcon);
        found = records_.emplace(name, made).first;
    }
    return found->second;
}
