// The 1636-byte record shared by the persons file and the companies file, and its slot codec.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace core {

constexpr std::size_t kRecordSize = 1636;
constexpr std::int32_t kTagPerson = 20;
constexpr std::int32_t kTagCompany = 1020;
constexpr std::size_t kTagOffset = 1632;
constexpr int kSlotCount = 9;

struct Slot {
    std::size_t offset;
    std::size_t capacity; // characters; the slot takes capacity + 1 bytes with its length byte
};

constexpr std::array<Slot, kSlotCount> kSlots{{{0, 255},
                                               {256, 100},
                                               {357, 100},
                                               {458, 100},
                                               {559, 255},
                                               {815, 100},
                                               {916, 200},
                                               {1117, 255},
                                               {1373, 255}}};

// Slot numbers of a PersonRecord.
namespace person {
enum : int { Name, Phone, Mobile, OtherPhone, Address, Email1, Email2, WebSite, Notes };
}
// Slot numbers of a CompanyRecord.
namespace company {
enum : int { Name, Business, Phone, Fax, WebSite, Email, Contacts, Address, Notes };
}

using RecordBytes = std::array<unsigned char, kRecordSize>;

// A record as the program works with it: nine Windows-1252 texts in slot order and the tag.
struct Record {
    std::array<std::string, kSlotCount> texts;
    std::int32_t tag = 0;

    bool operator==(const Record& other) const { return texts == other.texts && tag == other.tag; }
};

// A length byte above the slot's capacity reads as the capacity: never past the slot.
std::string readSlot(const unsigned char* record, int slot);
// Cuts the text to the slot's capacity; the unused bytes of the slot are zeroed.
void writeSlot(unsigned char* record, int slot, std::string_view text);

std::int32_t readTag(const unsigned char* record);
void writeTag(unsigned char* record, std::int32_t tag);

Record decodeRecord(const unsigned char* record);
// Every byte is written: texts cut to capacity, unused slot bytes and padding zeroed.
RecordBytes encodeRecord(const Record& record);

// The record rewritten as a writer stores it: lengths clamped, meaningless bytes zeroed.
void normalizeRecord(unsigned char* record);
// Whether normalizeRecord would leave every byte as it is.
bool isNormalRecord(const unsigned char* record);

} // namespace core
