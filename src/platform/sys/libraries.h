#pragma once
// Libraries loaded by name at run time. The program asks for the names it knew on its
// first platform ("zlib1.dll"); a name map turns them into this system's libraries, or
// into libraries compiled into the program ("FilterLib.dll"), which answer the same calls.

#include <cstdint>
#include <string>

namespace sys {

using LibraryHandle = uintptr_t;  // 0 = none

// Loads a library by its program-side name (compared without regard to case) or by a
// real file name; 0 when it cannot be found or has been marked absent.
LibraryHandle LoadLibrary(const std::string& name);
// The address of an exported function; nullptr when absent. Ordinals ("#12") are never found.
void* GetProcAddress(LibraryHandle library, const std::string& procName);
bool FreeLibrary(LibraryHandle library);

// A library compiled into the program, reached under `systemName` (the name map sends
// program-side names to it): `lookup` gives an export's address by its name, nullptr when
// there is none. Loading it before it is provided fails as for a missing file.
using ExportLookup = void* (*)(const std::string& procName);
void provideLibrary(const std::string& systemName, ExportLookup lookup);

// Where the name map sends "FilterLib.dll": the effects library, our own code.
inline constexpr const char* kFilterLibraryName = "quillmere-filterlib (built in)";

// Maps a program-side library name to this system's library ("zlib1.dll" -> "libz.so.1").
void mapLibraryName(const std::string& programName, const std::string& systemName);

// Tests mark a library absent to run the paths taken when it is not installed.
void setLibraryAbsent(const std::string& programName, bool absent);
void clearAbsentLibraries();

}  // namespace sys
