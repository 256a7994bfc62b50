#include "core/winversion.h"

namespace core {

std::string GetWindowsVersion(WinPlatform platform, unsigned major, unsigned minor,
                              std::string unnamed) {
    switch (platform) {
    case WinPlatform::Windows9x:
        if (major > 4 || (major == 4 && minor == 10))
            return "Microsoft Windows 98";
        if (major == 4 && minor == 90)
            return "Microsoft Windows ME";
        return "Microsoft Windows 95";
    case WinPlatform::NT:
        if (major <= 4)
            return "Microsoft Windows NT";
        if (major == 5)
            return minor == 0 ? "Microsoft Windows 2000" : "Microsoft Windows XP";
        return unnamed;
    case WinPlatform::Win32s:
        break;
    }
    return "Win32s";
}

} // namespace core
