#include "core/GlobalMemory.h"

GlobalMemoryFaults& GlobalMemoryFaultsForTesting() {
    static GlobalMemoryFaults faults;
    return faults;
}
