// What a data file and its address book on the server held at the last sync, kept in a small
// file beside the data file: one line per card with its place on the server, its ETag and a
// hash of the texts of the record it was. Records carry no identifier; this file is how a sync
// tells which records and cards changed since.
#pragma once

#include "core/record.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace core {

namespace fs = std::filesystem;

struct SyncEntry {
    std::string href;           // the card's path on the server, as the server lists it
    std::string uid;            // the card's UID, kept when the record goes up changed
    std::string etag;           // the card's ETag when the record was last sent or received
    std::uint64_t hash = 0;     // recordHash of the record at that moment
    std::uint64_t nameHash = 0; // textHash of its name, to pair a changed record with its card
};

struct SyncState {
    std::string collection; // the address book these entries belong to
    std::vector<SyncEntry> entries;
};

// "persona1.dat" keeps its state in "persona1.dat.sinc".
fs::path syncStatePath(const fs::path& dataFile);

// The state of the last sync into this collection: a missing file, or one written for another
// collection, holds no entries. A damaged line is a card the next sync does not know yet, so
// it is skipped rather than refused: the sync then pairs the card by its content.
SyncState readSyncState(const fs::path& dataFile, const std::string& collection);
// Replaces the state file in one step.
void writeSyncState(const fs::path& dataFile, const SyncState& state);

std::uint64_t textHash(std::string_view text);
// A hash of the nine texts (not the tag), each with its length so that no two lists meet.
std::uint64_t recordHash(const Record& record);

} // namespace core
