#include "layout/AnimationClockWin32.h"

#include <map>
#include <utility>

#include "core/InternalMessages.h"
#include "core/MessageHandler.h"
#include "layout/Image.h"

namespace {

// Viewers are the message handlers of the windows that show images.
class DelayedAnimationClock : public AnimationClock {
public:
    void Post(void* viewer, uint32_t urlId, uint32_t parameter, uint32_t delayMs) override {
        auto* handler = static_cast<MessageHandler*>(viewer);
        uint32_t id = handler->PostDelayed(kMsgNextAnimationFrame, urlId, parameter, delayMs);
        pending_[{viewer, urlId}] = id;
    }

    // Only the newest message of a viewer and URL can still be waiting: the
    // one before it is what led to it.
    void Cancel(void* viewer, uint32_t urlId) override {
        auto found = pending_.find({viewer, urlId});
        if (found == pending_.end()) return;
        if (found->second != 0) static_cast<MessageHandler*>(viewer)->CancelDelayedById(found->second);
        pending_.erase(found);
    }

private:
    std::map<std::pair<void*, uint32_t>, uint32_t> pending_;
};

}  // namespace

void InstallAnimationClock() {
    static DelayedAnimationClock clock;
    SetAnimationClock(&clock);
}

void RemoveAnimationClock() {
    SetAnimationClock(nullptr);
}
