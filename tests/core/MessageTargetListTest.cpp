#include <windows.h>

#include "core/MessageSource.h"
#include "core/MessageTargetList.h"
#include "tests/core/MessageTestWindows.h"

namespace message_test {
namespace {

constexpr uint32_t kMsg = 0x8600;

using MessageTargetListTest = MessagesTest;

TEST_F(MessageTargetListTest, AddReplacesFlagsUnlessForcedAndPlacesEntries) {
    HandlerWindow a(log, "a"), b(log, "b"), c(log, "c");
    MessageTargetList list;
    EXPECT_EQ(list.First(), nullptr);
    list.Add(a.handler.get(), MessageTargetList::kInline);
    list.Add(b.handler.get(), 0);                           // first
    list.Add(c.handler.get(), MessageTargetList::kAppend);  // last
    list.Add(nullptr, MessageTargetList::kNewEntry | MessageTargetList::kAppend);
    EXPECT_EQ(list.Count(), 3u);
    EXPECT_EQ(list.First(), b.handler.get());

    // Listed already, no force: only the flags change.
    list.Add(a.handler.get(), MessageTargetList::kFlagB | MessageTargetList::kQuiet);
    EXPECT_EQ(list.Count(), 3u);
    EXPECT_TRUE(list.ContainsEntry(a.handler.get(), false, true, true));
    EXPECT_FALSE(list.ContainsEntry(a.handler.get(), true, false, false));
    // Forced: a second entry.
    list.Add(a.handler.get(), MessageTargetList::kInline | MessageTargetList::kNewEntry);
    EXPECT_EQ(list.Count(), 4u);
    EXPECT_EQ(list.First(), a.handler.get());
    EXPECT_TRUE(list.ContainsEntry(a.handler.get(), true, false, false));

    list.SetFlagB(true);
    EXPECT_TRUE(list.ContainsEntry(a.handler.get(), true, true, false));
    EXPECT_TRUE(list.ContainsEntry(c.handler.get(), false, true, false));

    // Remove takes the first entry of the handler only.
    list.Remove(a.handler.get());
    EXPECT_TRUE(list.Contains(a.handler.get()));
    EXPECT_TRUE(list.ContainsEntry(a.handler.get(), false, true, true));
    list.Remove(a.handler.get());
    EXPECT_FALSE(list.Contains(a.handler.get()));
    list.Clear();
    EXPECT_FALSE(list.Contains(b.handler.get()));
    EXPECT_EQ(list.First(), nullptr);
}

TEST_F(MessageTargetListTest, BroadcastFiltersByFlags) {
    struct Target {
        const char* name;
        bool isInline, flagB, flagC;
    };
    const Target targets[] = {
        {"img", true, false, false},      {"doc", false, false, false}, {"quietImg", true, false, true},
        {"quietDoc", false, false, true}, {"docB", false, true, false},
    };
    std::vector<std::unique_ptr<HandlerWindow>> windows;
    std::vector<std::unique_ptr<Recorder>> recorders;
    MessageTargetList list;
    for (const Target& t : targets) {
        windows.push_back(std::make_unique<HandlerWindow>(log, t.name));
        recorders.push_back(std::make_unique<Recorder>(log, t.name));
        windows.back()->handler->Register(recorders.back().get(), kMsg, 0);
        list.Add(windows.back()->handler.get(),
                 MessageTargetList::EntryFlags(t.isInline, t.flagB, t.flagC) | MessageTargetList::kAppend);
    }
    const std::pair<uint32_t, Log> cases[] = {
        {0, {"img", "doc", "quietImg", "quietDoc", "docB"}},
        {1, {"img", "quietImg"}},
        {2, {"doc", "quietDoc", "docB"}},
        {3, {"img", "doc", "quietImg", "quietDoc", "docB"}},
        {4, {"img", "doc", "docB"}},
        {5, {"img"}},
        {6, {"doc", "docB"}},
        {8, {"img", "doc", "quietImg", "quietDoc"}},
    };
    for (const auto& [filter, expected] : cases) {
        log.clear();
        list.Broadcast(kMsg, filter + 1, 0, filter, 0);
        Drain();
        Log names;
        for (const std::string& entry : log) names.push_back(entry.substr(0, entry.find(':')));
        EXPECT_EQ(names, expected) << "filter " << filter;
    }

    // With a delay the messages come later, through the delayed queue.
    log.clear();
    list.Broadcast(kMsg, 99, 0, 6, 40);
    EXPECT_FALSE(queue->IsEmpty());
    ASSERT_TRUE(RunLoop([&] { return log.size() >= 2; }));
    EXPECT_EQ(log, (Log{"doc:8600:99", "docB:8600:99"}));
    for (size_t i = 0; i < windows.size(); ++i) windows[i]->handler->UnregisterAll(recorders[i].get());
}

struct Source : MessageSource {
    using MessageSource::MessageSource;
    void OnMessage(uint32_t, uint32_t, uint32_t) override {}
    int Connect() override { return 0; }
    void Close() override {}
    int ReadData(char*, int) override { return 0; }
};

using MessageSourceTest = MessagesTest;

TEST_F(MessageSourceTest, SourcesNumberThemselvesAndNeverReportToTheMainHandler) {
    HandlerWindow owner(log, "owner");
    Source first(owner.handler.get());
    Source second(main.handler.get());
    // Serials are global: the first source made in this program gets 1.
    EXPECT_EQ(first.Serial(), 1u);
    EXPECT_EQ(second.Serial(), 2u);
    EXPECT_EQ(second.Target(), main.handler.get()) << "the constructor stores the target as given";
    second.SetTarget(main.handler.get());
    EXPECT_EQ(second.Target(), nullptr);
    second.SetTarget(owner.handler.get());
    EXPECT_EQ(second.Target(), owner.handler.get());
    EXPECT_TRUE(second.IsIdle());
}

}  // namespace
}  // namespace message_test
