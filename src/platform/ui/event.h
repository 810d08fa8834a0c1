#pragma once
// One event of a control (Click, Change, MouseDown...). The window connects its
// handler by assignment:
//
//     Command1->Click = [this] { Command1_Click(); };
//     Text1->KeyPress = [this](int& KeyAscii) { Text1_KeyPress(KeyAscii); };
//
// fire() runs the handler through the dispatch (runHandler), and fires nothing while
// the owner is retired or its window builds its controls.

#include <functional>

#include "platform/ui/component.h"
#include "platform/ui/handlers.h"

namespace ui {

template <class... Args>
class Event {
public:
    using Handler = std::function<void(Args...)>;

    explicit Event(const Component* owner) : owner_(owner) {}
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;

    Event& operator=(Handler handler) {
        handler_ = std::move(handler);
        return *this;
    }
    explicit operator bool() const { return static_cast<bool>(handler_); }

    void fire(Args... args) const {
        if (!handler_ || (owner_ && owner_->retired()) || detail::eventsSuppressed()) return;
        // A copy: the handler may replace this event's handler while it runs.
        Handler handler = handler_;
        runHandler([&] { handler(args...); });
    }

private:
    const Component* owner_;
    Handler handler_;
};

}  // namespace ui
