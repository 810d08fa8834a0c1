#pragma once
// The effects library as the program reaches it: a table of entry points by name, which
// the sys layer serves as the library "FilterLib.dll" once install() has run:
//   sys::LoadLibrary("FilterLib.dll"), then sys::GetProcAddress(library, "FxBrightness").
// Each family of effects adds its functions to the table; a name no family has added
// is not found, as in a library without that export.

#include <map>
#include <string>
#include <vector>

namespace filterlib {

class Exports {
public:
    // Adds or replaces an entry point (a function declared in fx.h).
    template <class Function>
    void add(const std::string& name, Function* function) {
        addresses_[name] = reinterpret_cast<void*>(function);
    }
    // The address by its exact name; nullptr when absent or marked absent.
    void* find(const std::string& name) const;
    // Every name added, sorted.
    std::vector<std::string> names() const;

    // Tests mark one function absent to take the road of a library without it.
    void setAbsent(const std::string& name, bool absent);
    void clearAbsent();

private:
    std::map<std::string, void*> addresses_;
    std::map<std::string, bool> absent_;
};

// The library's table, filled by every family on first use.
Exports& exports();

// Serves the table as "FilterLib.dll" through the sys layer; calling it again does nothing.
void install();

}  // namespace filterlib
