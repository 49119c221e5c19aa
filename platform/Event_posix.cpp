#include "platform/Event.h"

#include <condition_variable>
#include <map>
#include <mutex>

namespace kovrin {

namespace {

// Only threads of this process wait on the event, so a mutex and a condition are enough.
class LocalEvent final : public NamedEvent {
public:
    void set() override
    {
        {
            std::lock_guard lock(mutex_);
            signalled_ = true;
        }
        cv_.notify_one();
    }
    void reset() override
    {
        std::lock_guard lock(mutex_);
        signalled_ = false;
    }
    bool waitFor(std::chrono::milliseconds timeout) override
    {
        std::unique_lock lock(mutex_);
        if (!cv_.wait_for(lock, timeout, [this] { return signalled_; }))
            return false;
        signalled_ = false;
        return true;
    }

private:
    std::mutex mutex_;
    std::condition_variable cv_;
    bool signalled_ = false;
};

struct Registry {
    std::mutex mutex;
    std::map<std::string, std::weak_ptr<NamedEvent>> events;
};

Registry& registry()
{
    static Registry r;
    return r;
}

} // namespace

std::shared_ptr<NamedEvent> NamedEvent::create(const std::string& name)
{
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    if (auto existing = r.events[name].lock())
        return existing;
    auto event = std::make_shared<LocalEvent>();
    r.events[name] = event;
    return event;
}

std::shared_ptr<NamedEvent> NamedEvent::open(const std::string& name)
{
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    auto it = r.events.find(name);
    return it == r.events.end() ? nullptr : it->second.lock();
}

} // namespace kovrin
