// What a sync does, decided from the records of the data file, the state of the last sync and
// what the server lists now: which records go up, which cards come down, which are deleted on
// either side. No file and no network here.
#pragma once

#include "core/record.h"
#include "core/syncstate.h"
#include "core/vcardmap.h"

#include <cstddef>
#include <string>
#include <vector>

namespace core {

// A card as the server lists it.
struct ListedCard {
    std::string href;
    std::string etag;
};

// A card as it came down, read as a record of the file's kind.
struct FetchedCard {
    std::string href;
    std::string etag;
    std::string uid;
    Record record;
    CardLosses losses; // what the record could not take of the card
};

struct SyncPlan {
    struct Upload {
        std::size_t record = 0; // its number in the data file
        std::string href;       // empty for a new card, made from the uid
        std::string uid;
        std::string ifMatch; // the ETag the card must still have; empty for a new card
    };
    struct Removal {
        std::string href;
        std::string etag;
    };
    std::vector<Upload> uploads;
    std::vector<Removal> removals;
    std::vector<std::size_t> drops;   // records to leave out of the data file
    std::vector<std::size_t> inserts; // fetched cards that become records
    // Entries of the new state that need nothing sent or received (a card whose ETag moved
    // keeps its new one).
    std::vector<SyncEntry> settled;
    std::vector<std::string> conflicts; // names of records kept twice, or kept although deleted
    std::int64_t changedDown = 0;       // of the inserts, those that replace a record
};

// The cards whose content the plan needs: the ones the state does not know and the ones whose
// ETag moved since.
std::vector<std::string> cardsToFetch(const SyncState& state,
                                      const std::vector<ListedCard>& listed);

// The record as the server would hold it after it went up as a card and came back down: what
// a record is compared with when both sides may hold the same contact.
Record asServerHolds(const Record& record, bool persons);

// Decides the sync. `fetched` holds the cards cardsToFetch named (a card missing from it, gone
// between the listing and the fetch, is left for the next sync).
SyncPlan makePlan(const std::vector<Record>& local, const SyncState& state,
                  const std::vector<ListedCard>& listed, const std::vector<FetchedCard>& fetched,
                  bool persons);

} // namespace core
