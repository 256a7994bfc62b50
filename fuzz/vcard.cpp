// The vCard reader and its mapping fed an arbitrary .vcf file: the first input byte chooses the
// kind of data file the cards go into, the rest is the file.
//
// A file read without error gives cards; each card becomes a record that, written out as a card
// and read back, comes back as the same record: an exported record is imported unchanged.
#include "fuzzcheck.h"

#include "core/vcard.h"
#include "core/vcardmap.h"

#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const bool persons = (data[0] & 1) == 0;
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);

    const core::vcard::ReadResult read = core::vcard::parse(text);
    if (read.error != core::vcard::ReadError::None) {
        FUZZ_CHECK(read.line >= 1 || read.error == core::vcard::ReadError::Empty ||
                   read.error == core::vcard::ReadError::NulByte);
        return 0;
    }
    for (const core::vcard::Card& card : read.cards) {
        core::CardLosses losses;
        const core::Record record = core::recordFromCard(card, persons, losses);
        FUZZ_CHECK(losses.cut >= 0 && losses.replaced >= 0);
        const std::string written = core::cardFromRecord(record, persons);
        const core::vcard::ReadResult again = core::vcard::parse(written);
        FUZZ_CHECK(again.error == core::vcard::ReadError::None);
        FUZZ_CHECK(again.cards.size() == 1);
        core::CardLosses none;
        FUZZ_CHECK(core::recordFromCard(again.cards[0], persons, none) == record);
        FUZZ_CHECK(none.cut == 0 && none.replaced == 0);
    }
    return 0;
}
