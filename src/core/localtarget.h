// Recognising local targets ("file:///" + path) of the page opener.
#pragma once

#include <string>
#include <string_view>

namespace core {

// The word scan: a count of matched characters of "file:///" that a mismatch sets back to 0
// without testing that character again as a first one; local once all eight matched.
bool isLocalTarget(std::string_view target);

// The target without its first eight characters (the local path of a local target).
std::string getarchivofromurl(std::string_view target);

// The local path with "\" read as a separator, as the file system of this platform needs it.
std::string localPathForSystem(std::string_view path);

} // namespace core
