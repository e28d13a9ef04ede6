// Test-side control of the stand-in's profile (.ini) functions.
#pragma once

#include <string>

namespace standin {

// The Linux folder that stands for the Windows directory, where a profile
// file named without a folder ("x.ini", or "") is looked for, as Windows
// does.  Empty (the default after reset) makes such names unopenable.
void setWindowsDirectory(const std::string& linuxFolder);

// WritePrivateProfileStringA calls since the last reset, whatever their file
// or outcome.
int profileWrites();

}  // namespace standin
