#pragma once
// A list of listeners that may be added or removed while the list is being called: a
// call works on a copy of the list and skips listeners removed meanwhile; listeners
// added meanwhile wait for the next call.

#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace db {

using ListenerId = uint64_t;

template <typename... Args>
class Listeners {
public:
    using Function = std::function<void(Args...)>;

    // Ids come from the owner, so that one owner's lists never share an id.
    void add(ListenerId id, Function f) { entries_.push_back({id, std::make_shared<Function>(std::move(f))}); }

    void remove(ListenerId id) {
        std::erase_if(entries_, [id](const Entry& e) { return e.id == id; });
    }

    void clear() { entries_.clear(); }
    bool empty() const { return entries_.empty(); }

    void call(Args... args) const {
        const auto copy = entries_;
        for (const auto& e : copy) {
            if (!contains(e.id)) continue;
            (*e.function)(args...);
        }
    }

private:
    struct Entry {
        ListenerId id;
        std::shared_ptr<Function> function;
    };
    bool contains(ListenerId id) const {
        for (const auto& e : entries_)
            if (e.id == id) return true;
        return false;
    }
    std::vector<Entry> entries_;
};

}  // namespace db
