#include "net/NetErrors.h"

int32_t MapWinsockError(int32_t winsockError) {
    switch (winsockError) {
        case 10050:
            return kErrNetworkProblem;
        case 10035:
        case 10036:
            return kErrWinsockBlocking;
        case 10049:
        case 10065:
            return kErrAddressNotAvailable;
        case 10061:
            return kErrConnectionRefused;
        case 10051:
            return kErrNetworkUnreachable;
        case 10024:
        case 10055:
            return kErrWinsockResources;
        case 10053:
        case 10054:
            return kErrClosedByRemote;
        case 10052:
        case 10057:
        case 10060:
            return kErrCouldNotConnect;
        case 10043:
        case 10047:
            return kErrWinsockLacks;
        case 11001:
        case 11002:
        case 11004:
            return kErrHostNotFound;
        case 11003:
            return kErrWinsockProblems;
        default:
            return kErrInternal;
    }
}

int32_t MapStartupError(int32_t winsockError) {
    return winsockError == kWsaSysnotready ? kErrNetworkProblem : kErrWinsockVersion;
}
