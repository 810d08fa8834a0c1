#include "filterlib/registry.h"

#include "filterlib/families.h"
#include "platform/sys/libraries.h"

namespace filterlib {

void* Exports::find(const std::string& name) const {
    const auto absent = absent_.find(name);
    if (absent != absent_.end() && absent->second) return nullptr;
    const auto it = addresses_.find(name);
    return it == addresses_.end() ? nullptr : it->second;
}

std::vector<std::string> Exports::names() const {
    std::vector<std::string> out;
    for (const auto& entry : addresses_) out.push_back(entry.first);
    return out;
}

void Exports::setAbsent(const std::string& name, bool absent) { absent_[name] = absent; }

void Exports::clearAbsent() { absent_.clear(); }

Exports& exports() {
    static Exports table = [] {
        Exports t;
        registerPointEffects(t);
        registerNeighbourhoodEffects(t);
        registerGeometricEffects(t);
        registerStochasticEffects(t);
        return t;
    }();
    return table;
}

void install() {
    sys::provideLibrary(sys::kFilterLibraryName,
                        [](const std::string& name) { return exports().find(name); });
}

}  // namespace filterlib
