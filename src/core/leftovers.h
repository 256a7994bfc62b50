// The temporary files replacements leave behind when the program dies in the middle of one:
// every folder a replacement writes its temporary file in is first noted in a small list, so
// that the next start can remove what is left there, wherever the folder is.
#pragma once

#include <filesystem>

namespace core {

// The list of folders ("tmpingre.lst" in the program directory); an empty path keeps no list.
void setLeftoverList(const std::filesystem::path& list);

// Notes the folder before a temporary file is made in it. A folder already noted by this
// process is not written again; a list that cannot be written is no reason to stop the change
// (the next change in that folder removes a leftover all the same).
void noteTempFolder(const std::filesystem::path& folder) noexcept;

// Removes the program's temporary file from the folder unless a running replacement holds the
// folder; true when none is left there. Never fails.
bool removeLeftoverIn(const std::filesystem::path& folder) noexcept;

// At start-up: removes the leftovers of every listed folder; folders that no longer exist
// leave the list.
void removeListedLeftovers() noexcept;

} // namespace core
