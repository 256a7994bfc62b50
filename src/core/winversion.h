// The name of the running Windows version shown in the about window.
#pragma once

#include <string>

namespace core {

// The platform family the system reports with its version numbers.
enum class WinPlatform { Win32s, Windows9x, NT };

// The name for a platform and version. Versions the table does not name (NT 6 and later)
// leave `unnamed` as it is.
std::string GetWindowsVersion(WinPlatform platform, unsigned major, unsigned minor,
                              std::string unnamed = {});

} // namespace core
