#include "core/filecopy.h"

#include "core/fileio.h"
#include "core/record.h"

#include <algorithm>
#include <vector>

namespace core {

void copyDataFile(const std::filesystem::path& source, const std::filesystem::path& target,
                  const Progress& progress) {
    constexpr std::uint64_t kBlockRecords = 641; // about 1 MiB at a time
    fileio::File from = fileio::openReadWrite(source);
    fileio::File to = fileio::openReadWrite(target);
    to.truncate(0);
    const std::uint64_t count = from.size() / kRecordSize;
    std::vector<unsigned char> block(kBlockRecords * kRecordSize);
    for (std::uint64_t first = 0; first < count; first += kBlockRecords) {
        const std::uint64_t n = std::min(kBlockRecords, count - first);
        from.readExactAt(first * kRecordSize, block.data(), n * kRecordSize);
        to.write(block.data(), n * kRecordSize);
        if (progress)
            progress(static_cast<std::int64_t>(first + n));
    }
    to.flush();
    from.close();
    to.close();
}

} // namespace core
