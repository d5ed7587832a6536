#include "core/GlobalMemory.h"

namespace {

bool UseFault(int& count) {
    if (count <= 0) return false;
    --count;
    return true;
}

}  // namespace

GlobalMemoryFaults& GlobalMemoryFaultsForTesting() {
    static GlobalMemoryFaults faults;
    return faults;
}

bool InjectedAllocationFault() {
    return UseFault(GlobalMemoryFaultsForTesting().failAllocations);
}

bool InjectedGrowthFault() {
    return UseFault(GlobalMemoryFaultsForTesting().failGrowths);
}
