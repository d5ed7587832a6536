#include "documents/DocumentWindows.h"

namespace {

DocumentWindowServices g_neutral;
DocumentWindowServices* g_services = nullptr;

}  // namespace

void SetDocumentWindowServices(DocumentWindowServices* services) {
    g_services = services;
}

DocumentWindowServices& WindowServices() {
    return g_services ? *g_services : g_neutral;
}
