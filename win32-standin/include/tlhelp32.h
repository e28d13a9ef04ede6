// Linux stand-in: the Toolhelp declarations live in <windows.h>.
#pragma once

#include <windows.h>
