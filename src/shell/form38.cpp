#include "shell/form38.h"
