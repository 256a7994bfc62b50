// The reading the exports share: every whole record of the data file once, in file order,
// whatever the file's size, and an I/O error when the file shrinks under it.
#include "core/exportfile.h"
#include "core/fileio.h"
#include "core/ioerror.h"

#include "support/tempdir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <random>

using namespace core;
using namespace testsupport;

namespace {

std::string randomBytes(std::size_t n, std::uint32_t seed) {
    std::mt19937 random(seed);
    std::string bytes(n, '\0');
    for (char& c : bytes)
        c = static_cast<char>(random());
    return bytes;
}

long readsIn(const std::vector<std::string>& trace) {
    return std::count_if(trace.begin(), trace.end(),
                         [](const std::string& call) { return call.rfind("read ", 0) == 0; });
}

} // namespace

// Sizes around a piece of the reading: empty, less than a page, a record cut by the end of the
// first piece, many pieces, and a last record that is not whole (left out).
TEST(RecordReader, GivesEveryWholeRecordAsTheFileHoldsIt) {
    TempDir dir;
    constexpr std::size_t kPiece = std::size_t{1} << 20;
    const std::size_t sizes[] = {0,
                                 kRecordSize - 1,
                                 kRecordSize,
                                 kPiece / kRecordSize * kRecordSize,
                                 (kPiece / kRecordSize + 1) * kRecordSize,
                                 2000 * kRecordSize + 700};
    for (const std::size_t size : sizes) {
        const std::string bytes = randomBytes(size, static_cast<std::uint32_t>(size));
        writeBytes(dir / "d.dat", bytes);
        std::vector<std::string> trace;
        fileio::traceCalls(&trace);
        exportfile::RecordReader records(dir / "d.dat");
        std::size_t n = 0;
        while (const unsigned char* r = records.next()) {
            ASSERT_LT((n + 1) * kRecordSize, size + 1) << size;
            ASSERT_EQ(std::string(reinterpret_cast<const char*>(r), kRecordSize),
                      bytes.substr(n * kRecordSize, kRecordSize))
                << "record " << n << " of a file of " << size << " bytes";
            ++n;
        }
        EXPECT_EQ(n, size / kRecordSize);
        EXPECT_EQ(records.next(), nullptr); // and stays at the end
        records.close();
        fileio::traceCalls(nullptr);
        // A mebibyte at a time, never a read per record or per small block.
        const std::size_t whole = size / kRecordSize * kRecordSize;
        EXPECT_EQ(readsIn(trace), static_cast<long>((whole + kPiece - 1) / kPiece)) << size;
    }
}

// Another program truncates the file during an export: the pieces beyond the new end are
// missing, which is the file layer's I/O error, and never records that are not there.
TEST(RecordReader, FileThatShrinksUnderTheReadingIsAnIoError) {
    TempDir dir;
    const std::string bytes = randomBytes(2000 * kRecordSize, 3);
    writeBytes(dir / "d.dat", bytes);
    exportfile::RecordReader records(dir / "d.dat");
    const unsigned char* first = records.next();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(first), kRecordSize),
              bytes.substr(0, kRecordSize));
    std::filesystem::resize_file(dir / "d.dat", 700 * kRecordSize);
    std::size_t n = 1;
    try {
        while (records.next())
            ++n;
        FAIL() << "the shrunk file read to its end: " << n << " records";
    } catch (const IoError& e) {
        EXPECT_EQ(e.errnum(), EIO);
    }
    // What was read before the error came from the first piece, read before the truncation.
    EXPECT_EQ(n, (std::size_t{1} << 20) / kRecordSize);
}
