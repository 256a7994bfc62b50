// Copying a data file into another one, whole records as they are.
#pragma once

#include "core/progress.h"

#include <filesystem>

namespace core {

// Fills the existing `target`, emptied first, with every whole record of `source`, all 1636
// bytes of each as they stand (tag and meaningless bytes included), in the source's order; a
// trailing fragment is left behind. Both files are opened for reading and writing; the copy is
// flushed to disk. Failures throw IoError and leave in the target what was copied so far.
void copyDataFile(const std::filesystem::path& source, const std::filesystem::path& target,
                  const Progress& progress = {});

} // namespace core
