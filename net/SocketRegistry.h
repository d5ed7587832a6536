// What the connections of the program share: resolved host names with the
// number of open connections to each server, the host-name expansions that
// worked, and one queue of connection work that could not run at once
// (deferred while a blocking Winsock call runs, or waiting for a slot under
// the connection limits). It also deletes the connections that their owners
// gave up, once none of their Winsock calls is under way.
//
// One instance, in g_socketRegistry (null when there is none: every user
// then skips the registry's service).
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/ListNode.h"

class Connection;

class SocketRegistry {
public:
    // Kinds of queue entries.
    enum Kind : uint8_t {
        kConnect = 1,
        kSend = 2,
        kStartSession = 4,
        kDataArrived = 8,
        kDeleteWhenIdle = 16,  // a bit, set beside the others
        kDead = 32,
    };
    static constexpr int kMaxHosts = 512;
    static constexpr size_t kMaxNameLength = 31;

    SocketRegistry();
    ~SocketRegistry();
    SocketRegistry(const SocketRegistry&) = delete;
    SocketRegistry& operator=(const SocketRegistry&) = delete;

    // Host-name cache: names are compared exactly (length and bytes).
    uint32_t FindHostAddress(const char* name) const;
    void AddHostAddress(const char* name, uint32_t address);
    const char* FindHostAlias(const char* name) const;
    void AddHostAlias(const char* shortName, const char* expandedName);

    // Open connections per server (the first host entry with the address).
    void AddServerConnection(uint32_t address);
    void ReleaseServerConnection(uint32_t address);
    int32_t CountServerConnections(uint32_t address) const;

    void Defer(Connection* connection, uint32_t serverAddress, uint8_t kind);
    // Drops the connection's queued work; a delete-when-idle mark stays
    // (without it a given-up connection would never be deleted).
    void RemoveEntries(Connection* connection);
    void DeleteWhenIdle(Connection* connection);
    void DeleteIdleConnections();
    int32_t CountEntries(uint8_t mask) const;
    void RunDeferred();
    // Starts the first connection waiting for a slot; its Connect result,
    // or -1 when none was started.
    int32_t StartWaitingConnection(uint32_t releasedAddress);
    void Clear();

private:
    struct HostEntry {
        std::string name;
        uint32_t address;
        int32_t openConnections;
    };
    struct AliasEntry {
        std::string shortName;
        std::string expandedName;
    };
    struct QueueEntry : ListNode {
        Connection* connection;
        uint32_t serverAddress;
        uint8_t kind;
    };

    HostEntry* FindByAddress(uint32_t address);
    const HostEntry* FindByAddress(uint32_t address) const;
    bool SlotFree(uint32_t address) const;
    void MarkDead(QueueEntry* entry);
    void DeleteConnection(Connection* connection);
    void ReapDead();
    void Run(Connection* connection, uint8_t kind);

    std::vector<HostEntry> hosts_;
    std::vector<AliasEntry> aliases_;
    NodeList queue_;
    NodeList running_;  // deferred events that RunDeferred is running
    int32_t nesting_ = 0;
};

extern SocketRegistry* g_socketRegistry;
