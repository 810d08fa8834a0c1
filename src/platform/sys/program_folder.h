#pragma once
#include <string>

namespace sys {

// The folder of the running executable, without a trailing slash ("/" alone for a
// program in the root folder). Every data file of the program lives there.
std::string programFolder();

// Tests run the program's code against a folder of their own; "" restores the real one.
void setProgramFolder(const std::string& folder);

}  // namespace sys
