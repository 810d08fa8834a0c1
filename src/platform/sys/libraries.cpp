#include "platform/sys/libraries.h"

#include <algorithm>
#include <cctype>
#include <dlfcn.h>
#include <map>
#include <set>

namespace sys {

namespace {

// A built-in library's handle is the address of its entry here; entries are never removed,
// so a handle stays valid however many are added.
struct BuiltIn {
    ExportLookup lookup = nullptr;
};

std::map<std::string, BuiltIn>& builtIns() {
    static std::map<std::string, BuiltIn> libraries;
    return libraries;
}

const BuiltIn* builtInOf(LibraryHandle library) {
    for (const auto& entry : builtIns())
        if (reinterpret_cast<LibraryHandle>(&entry.second) == library) return &entry.second;
    return nullptr;
}

std::string lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

std::map<std::string, std::string>& nameMap() {
    static std::map<std::string, std::string> map = {
        {"zlib1.dll", "libz.so.1"},
        {"zlib.dll", "libz.so.1"},
        {"libdeflate.dll", "libdeflate.so.0"},
        {"filterlib.dll", kFilterLibraryName},
    };
    return map;
}

std::set<std::string>& absent() {
    static std::set<std::string> names;
    return names;
}

}  // namespace

void mapLibraryName(const std::string& programName, const std::string& systemName) {
    nameMap()[lower(programName)] = systemName;
}

void provideLibrary(const std::string& systemName, ExportLookup lookup) {
    builtIns()[systemName].lookup = lookup;
}

void setLibraryAbsent(const std::string& programName, bool isAbsent) {
    if (isAbsent) absent().insert(lower(programName));
    else absent().erase(lower(programName));
}

void clearAbsentLibraries() { absent().clear(); }

LibraryHandle LoadLibrary(const std::string& name) {
    const std::string key = lower(name);
    if (key.empty() || absent().count(key)) return 0;
    const auto it = nameMap().find(key);
    const std::string file = it != nameMap().end() ? it->second : name;
    if (absent().count(lower(file))) return 0;
    const auto builtIn = builtIns().find(file);
    if (builtIn != builtIns().end())
        return builtIn->second.lookup ? reinterpret_cast<LibraryHandle>(&builtIn->second) : 0;
    void* handle = ::dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    return reinterpret_cast<LibraryHandle>(handle);
}

void* GetProcAddress(LibraryHandle library, const std::string& procName) {
    if (library == 0 || procName.empty() || procName[0] == '#') return nullptr;
    if (const BuiltIn* builtIn = builtInOf(library)) return builtIn->lookup(procName);
    return ::dlsym(reinterpret_cast<void*>(library), procName.c_str());
}

bool FreeLibrary(LibraryHandle library) {
    if (library == 0) return false;
    if (builtInOf(library)) return true;
    return ::dlclose(reinterpret_cast<void*>(library)) == 0;
}

}  // namespace sys
