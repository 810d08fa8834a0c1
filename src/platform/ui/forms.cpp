#include "platform/ui/forms.h"

#include <algorithm>
#include <utility>

#include "platform/ui/handlers.h"

namespace ui {

namespace {
std::vector<std::pair<std::type_index, std::unique_ptr<Form>>>& registry() {
    static std::vector<std::pair<std::type_index, std::unique_ptr<Form>>> forms;
    return forms;
}

auto findEntry(std::type_index type) {
    auto& all = registry();
    return std::find_if(all.begin(), all.end(), [&](const auto& e) { return e.first == type; });
}
}  // namespace

namespace detail {

Form* findForm(std::type_index type) {
    auto it = findEntry(type);
    return it == registry().end() ? nullptr : it->second.get();
}

Form& addForm(std::type_index type, std::unique_ptr<Form> form) {
    Form& f = *form;
    registry().emplace_back(type, std::move(form));
    entry([&] {
        runHandler([&f] { f.Form_Initialize(); });
        checkEnded();
    });
    return f;
}

bool releaseForm(std::type_index type) {
    bool released = true;
    entry([&] {
        Form* f = findForm(type);
        if (!f) return;
        if (f->isLoaded() && !f->Unload()) {
            released = false;
            return;
        }
        // The unload handlers may have released it already.
        auto it = findEntry(type);
        if (it == registry().end() || it->second.get() != f) return;
        std::unique_ptr<Form> owned = std::move(it->second);
        registry().erase(it);
        runHandler([f] { f->Form_Terminate(); });
        retire(owned.release());
        checkEnded();
    });
    return released;
}

}  // namespace detail

std::vector<Form*> allForms() {
    std::vector<Form*> all;
    for (auto& [type, form] : registry()) all.push_back(form.get());
    return all;
}

void formsDiscardAll() {
    auto all = std::move(registry());
    registry().clear();
    // Newest first, as windows opened later may hold on to earlier ones.
    for (auto it = all.rbegin(); it != all.rend(); ++it) {
        it->second->teardown();
        it->second.reset();
    }
}

}  // namespace ui
