// Shared by the pool and memory manager tests.
#pragma once
#include <cstdint>
#include <gtest/gtest.h>

#include "core/GlobalMemory.h"
#include "core/MemoryManager.h"

// Installs a fresh memory manager as the program's one for the test's
// length and clears any injected fault afterwards.
class ManagerTest : public ::testing::Test {
protected:
    ManagerTest() { g_memoryManager = &manager_; }
    ~ManagerTest() override {
        GlobalMemoryFaultsForTesting() = GlobalMemoryFaults();
        g_memoryManager = nullptr;
    }

    MemoryManager manager_{500000, 500000};
};
