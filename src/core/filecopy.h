// Copying a data file into another one, whole records as they are.
#pragma once

#include "core/progress.h"
#include "core/rewrite.h"

#include <filesystem>

namespace core {

// Puts in place of `target` (created when missing) every whole record of `source`, all 1636
// bytes of each as they stand (tag and meaningless bytes included), in the source's order; a
// trailing fragment is left behind. The copy is written beside the target and renamed over it
// in one step, as a rewrite is: a failure leaves the target wholly as it was, or absent. Both
// files are opened for reading and writing. Failures the rewrite reports come back in the
// result; others throw IoError.
RewriteResult copyDataFile(const std::filesystem::path& source, const std::filesystem::path& target,
                           const Progress& progress = {});

} // namespace core
