#include "net/SocketRegistry.h"

#include <cstring>

#include "net/Connection.h"
#include "net/NetSettings.h"
#include "net/Winsock.h"

SocketRegistry* g_socketRegistry = nullptr;

namespace {

bool Cacheable(const char* name) {
    return name && std::strlen(name) <= SocketRegistry::kMaxNameLength;
}

bool NoServer(uint32_t address) {
    return address == 0 || address == 0xFFFFFFFFu;
}

}  // namespace

SocketRegistry::SocketRegistry() = default;

SocketRegistry::~SocketRegistry() {
    Clear();
}

uint32_t SocketRegistry::FindHostAddress(const char* name) const {
    if (!name) return 0;
    for (const HostEntry& h : hosts_) {
        if (h.name == name) return h.address;
    }
    return 0;
}

void SocketRegistry::AddHostAddress(const char* name, uint32_t address) {
    if (!Cacheable(name) || hosts_.size() >= kMaxHosts) return;
    hosts_.push_back(HostEntry{name, address, 0});
}

const char* SocketRegistry::FindHostAlias(const char* name) const {
    if (!name) return nullptr;
    for (const AliasEntry& a : aliases_) {
        if (a.shortName == name) return a.expandedName.c_str();
    }
    return nullptr;
}

void SocketRegistry::AddHostAlias(const char* shortName, const char* expandedName) {
    if (!Cacheable(shortName) || !Cacheable(expandedName) || aliases_.size() >= kMaxHosts) return;
    aliases_.push_back(AliasEntry{shortName, expandedName});
}

SocketRegistry::HostEntry* SocketRegistry::FindByAddress(uint32_t address) {
    if (NoServer(address)) return nullptr;
    for (HostEntry& h : hosts_) {
        if (h.address == address) return &h;
    }
    return nullptr;
}

const SocketRegistry::HostEntry* SocketRegistry::FindByAddress(uint32_t address) const {
    return const_cast<SocketRegistry*>(this)->FindByAddress(address);
}

void SocketRegistry::AddServerConnection(uint32_t address) {
    if (HostEntry* h = FindByAddress(address)) ++h->openConnections;
}

void SocketRegistry::ReleaseServerConnection(uint32_t address) {
    HostEntry* h = FindByAddress(address);
    if (!h) return;
    if (h->openConnections > 0) --h->openConnections;
    if (SlotFree(address)) StartWaitingConnection(address);
}

int32_t SocketRegistry::CountServerConnections(uint32_t address) const {
    const HostEntry* h = FindByAddress(address);
    return h ? h->openConnections : 0;
}

bool SocketRegistry::SlotFree(uint32_t address) const {
    const NetSettings& s = GetNetSettings();
    return CountServerConnections(address) < s.maxConnectionsServer &&
           OpenSocketCount < s.maxConnectionsTotal;
}

void SocketRegistry::Defer(Connection* connection, uint32_t serverAddress, uint8_t kind) {
    RemoveEntries(connection);
    auto* entry = new QueueEntry;
    entry->connection = connection;
    entry->serverAddress = serverAddress;
    entry->kind = kind;
    entry->AppendTo(queue_);
}

void SocketRegistry::MarkDead(QueueEntry* entry) {
    entry->kind = kDead;
    entry->connection = nullptr;
}

void SocketRegistry::RemoveEntries(Connection* connection) {
    // Entries that RunDeferred has taken out are only ever marked: it is
    // walking them.
    for (NodeList* list : {&queue_, &running_}) {
        for (ListNode* n = list->First(); n;) {
            auto* entry = static_cast<QueueEntry*>(n);
            n = n->Next();
            if (entry->connection != connection || entry->kind == kDead) continue;
            if ((entry->kind & kDeleteWhenIdle) && list == &queue_) {
                // The owner gave the connection up: this mark is the only
                // thing that will ever delete it, so it stays.
                entry->kind = kDeleteWhenIdle;
                entry->serverAddress = 0;
                continue;
            }
            if (nesting_ == 0 && list == &queue_) {
                entry->Remove();
                delete entry;
            } else {
                MarkDead(entry);
            }
        }
    }
}

void SocketRegistry::DeleteWhenIdle(Connection* connection) {
    bool found = false;
    for (NodeList* list : {&queue_, &running_}) {
        for (ListNode* n = list->First(); n; n = n->Next()) {
            auto* entry = static_cast<QueueEntry*>(n);
            if (entry->connection == connection && entry->kind != kDead) {
                entry->kind |= kDeleteWhenIdle;
                found = true;
            }
        }
    }
    if (!found) Defer(connection, 0, kDeleteWhenIdle);
}

void SocketRegistry::DeleteConnection(Connection* connection) {
    // No entry may point at it afterwards.
    for (NodeList* list : {&queue_, &running_}) {
        for (ListNode* n = list->First(); n; n = n->Next()) {
            auto* entry = static_cast<QueueEntry*>(n);
            if (entry->connection == connection) MarkDead(entry);
        }
    }
    ++nesting_;
    delete connection;
    --nesting_;
}

void SocketRegistry::ReapDead() {
    if (nesting_ != 0) return;
    for (ListNode* n = queue_.First(); n;) {
        auto* entry = static_cast<QueueEntry*>(n);
        n = n->Next();
        if (entry->kind == kDead) {
            entry->Remove();
            delete entry;
        }
    }
}

void SocketRegistry::DeleteIdleConnections() {
    for (ListNode* n = queue_.First(); n;) {
        auto* entry = static_cast<QueueEntry*>(n);
        n = n->Next();
        if (entry->kind == kDead || !(entry->kind & kDeleteWhenIdle)) continue;
        Connection* connection = entry->connection;
        if (!connection || !connection->IsIdle()) continue;
        MarkDead(entry);
        DeleteConnection(connection);
    }
    ReapDead();
}

int32_t SocketRegistry::CountEntries(uint8_t mask) const {
    int32_t count = 0;
    for (ListNode* n = queue_.First(); n; n = n->Next()) {
        if (static_cast<QueueEntry*>(n)->kind & mask) ++count;
    }
    return count;
}

void SocketRegistry::Run(Connection* connection, uint8_t kind) {
    ++nesting_;
    connection->RunQueued(kind);
    --nesting_;
}

void SocketRegistry::RunDeferred() {
    for (ListNode* n = queue_.First(); n;) {
        auto* entry = static_cast<QueueEntry*>(n);
        n = n->Next();
        bool deferredEvent = entry->serverAddress == 0 && entry->connection &&
                             (entry->kind == kConnect || entry->kind == kSend ||
                              entry->kind == kStartSession || entry->kind == kDataArrived);
        if (!deferredEvent) continue;
        entry->Remove();
        entry->AppendTo(running_);
    }
    while (ListNode* n = running_.First()) {
        auto* entry = static_cast<QueueEntry*>(n);
        entry->Remove();
        Connection* connection = entry->connection;
        uint8_t kind = entry->kind;
        if (connection && (kind & kDeleteWhenIdle)) {
            // Given up while waiting here: it goes back to be deleted.
            entry->AppendTo(queue_);
            continue;
        }
        delete entry;
        if (connection) Run(connection, kind);
    }
    ReapDead();
}

int32_t SocketRegistry::StartWaitingConnection(uint32_t releasedAddress) {
    for (ListNode* n = queue_.First(); n;) {
        auto* entry = static_cast<QueueEntry*>(n);
        n = n->Next();
        if (entry->kind != kDead && (entry->kind & kDeleteWhenIdle)) {
            if (entry->connection && entry->connection->IsIdle()) {
                Connection* connection = entry->connection;
                MarkDead(entry);
                DeleteConnection(connection);
            }
            continue;
        }
        if (entry->kind == kDead) {
            if (nesting_ == 0) {
                entry->Remove();
                delete entry;
            }
            continue;
        }
        // The entry's own server must have room too, or a connection waiting
        // for another server would take the turn and the one that could run
        // would wait for a release that may never come.
        if (entry->serverAddress == 0 || releasedAddress == 0 || !SlotFree(releasedAddress) ||
            !SlotFree(entry->serverAddress))
            continue;
        Connection* connection = entry->connection;
        MarkDead(entry);
        if (nesting_ == 0) {
            entry->Remove();
            delete entry;
        }
        ++nesting_;
        int32_t result = connection->Connect();
        --nesting_;
        return result;
    }
    return -1;
}

void SocketRegistry::Clear() {
    for (NodeList* list : {&queue_, &running_}) {
        while (ListNode* n = list->First()) {
            n->Remove();
            delete static_cast<QueueEntry*>(n);
        }
    }
}
