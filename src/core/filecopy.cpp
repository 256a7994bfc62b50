#include "core/filecopy.h"

namespace core {

RewriteResult copyDataFile(const std::filesystem::path& source, const std::filesystem::path& target,
                           const Progress& progress) {
    return replaceWithCopy(target, source, progress);
}

} // namespace core
