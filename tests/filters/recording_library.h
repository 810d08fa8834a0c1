#pragma once
// A stand-in for the filter library that records every call, served under the same name
// and with the same entry points and types as the real one. Each argument is kept with
// its C++ type, so a test sees whether V arrived as 32, 16 or 8 bits, a float or a
// double, and what the Filters window showed at that moment. It draws nothing.

#include <string>
#include <vector>

namespace filterstest {

enum class Kind { Int32, Int16, Byte, Float, Double, UInt32 };

struct Argument {
    Kind kind;
    double value;
};

struct RecordedCall {
    std::string function;
    std::vector<Argument> arguments;  // without the last one, FxResult
    // The Filters window at the moment of the call: its label and its slider's value,
    // and the program's mouse pointer.
    std::string label;
    int slider = 0;
    int pointer = 0;
};

class RecordingLibrary {
public:
    // Serves the recording entry points as "FilterLib.dll" and forgets earlier calls.
    static void install();
    // Serves the real library again.
    static void restoreRealLibrary();
    static std::vector<RecordedCall>& calls();
    // Every function name the stand-in serves: the 68 the window reaches.
    static std::vector<std::string> names();
};

}  // namespace filterstest
