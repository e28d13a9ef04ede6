// Linux stand-in: the process-status declarations live in <windows.h>.
#pragma once

#include <windows.h>
