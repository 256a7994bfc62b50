#include "core/localtarget.h"

#include <algorithm>

namespace core {

namespace {
constexpr std::string_view kLocalPrefix = "file:///";
}

bool isLocalTarget(std::string_view target) {
    std::size_t matched = 0;
    for (char c : target) {
        // A mismatch starts over without testing this character as a first one again, so
        // "ffile:///" is not local.
        matched = c == kLocalPrefix[matched] ? matched + 1 : 0;
        if (matched == kLocalPrefix.size())
            return true;
    }
    return false;
}

std::string getarchivofromurl(std::string_view target) {
    if (target.size() <= kLocalPrefix.size())
        return {};
    return std::string(target.substr(kLocalPrefix.size()));
}

std::string localPathForSystem(std::string_view path) {
    std::string result(path);
    std::replace(result.begin(), result.end(), '\\', '/');
    return result;
}

} // namespace core
