#include "net/HttpsConnectionMaker.h"

namespace {

HttpsConnectionMaker g_httpsConnectionMaker = nullptr;

}  // namespace

void SetHttpsConnectionMaker(HttpsConnectionMaker maker) {
    g_httpsConnectionMaker = maker;
}

HttpsConnectionMaker GetHttpsConnectionMaker() {
    return g_httpsConnectionMaker;
}
