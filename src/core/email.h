// The e-mail address test shared by the link fields, their hints and the mail commands.
#pragma once

#include <string_view>

namespace core {

// Whether a Windows-1252 text is an e-mail address: a local part of atoms joined by dots or
// quoted strings, an at sign, and a domain of at least two labels, each starting with a
// letter and not ending in a hyphen. Bytes above 127 count as atom characters.
bool ValidEmail(std::string_view text);

} // namespace core
