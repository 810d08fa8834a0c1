#include "shell/module1.h"

namespace Module1 {

void ShowPasswordWindow() {}

}  // namespace Module1
