#include "core/syncplan.h"

#include "core/vcard.h"

#include <cstdio>
#include <unordered_map>
#include <unordered_set>

namespace core {

namespace {

enum class OnServer { Same, Changed, Gone };

// Keys handed out once each: equal records pair with distinct entries or cards.
class Pool {
  public:
    void add(std::uint64_t key, std::size_t value) { byKey_[key].push_back(value); }
    // A value of the key that `usable` accepts, taken out of the pool; -1 when none.
    template <typename Usable> long take(std::uint64_t key, Usable usable) {
        const auto at = byKey_.find(key);
        if (at == byKey_.end())
            return -1;
        std::vector<std::size_t>& values = at->second;
        for (std::size_t i = 0; i < values.size(); ++i) {
            if (!usable(values[i]))
                continue;
            const std::size_t value = values[i];
            values.erase(values.begin() + static_cast<long>(i));
            return static_cast<long>(value);
        }
        return -1;
    }

  private:
    std::unordered_map<std::uint64_t, std::vector<std::size_t>> byKey_;
};

std::string lastSegment(const std::string& href) {
    std::string name = href;
    while (!name.empty() && name.back() == '/')
        name.pop_back();
    name = name.substr(name.rfind('/') + 1);
    if (name.size() > 4 && name.compare(name.size() - 4, 4, ".vcf") == 0)
        name.resize(name.size() - 4);
    return name;
}

// A UID for a record going up for the first time, made of its texts; a number follows when
// another card already has it.
std::string newUid(const Record& record, std::unordered_set<std::string>& taken) {
    char base[24];
    std::snprintf(base, sizeof base, "tevo-%016llx",
                  static_cast<unsigned long long>(recordHash(record)));
    std::string uid = base;
    for (int n = 2; !taken.insert(uid).second; ++n)
        uid = std::string(base) + "-" + std::to_string(n);
    return uid;
}

SyncEntry entryFor(const std::string& href, const std::string& uid, const std::string& etag,
                   const Record& record) {
    return {href, uid, etag, recordHash(record), textHash(record.texts[0])};
}

} // namespace

std::vector<std::string> cardsToFetch(const SyncState& state,
                                      const std::vector<ListedCard>& listed) {
    std::unordered_map<std::string, const std::string*> known;
    for (const SyncEntry& e : state.entries)
        known.emplace(e.href, &e.etag);
    std::vector<std::string> hrefs;
    for (const ListedCard& card : listed) {
        const auto at = known.find(card.href);
        if (at == known.end() || *at->second != card.etag)
            hrefs.push_back(card.href);
    }
    return hrefs;
}

Record asServerHolds(const Record& record, bool persons) {
    const vcard::ReadResult read = vcard::parse(cardFromRecord(record, persons));
    CardLosses losses;
    return read.cards.empty() ? record : recordFromCard(read.cards.front(), persons, losses);
}

SyncPlan makePlan(const std::vector<Record>& local, const SyncState& state,
                  const std::vector<ListedCard>& listed, const std::vector<FetchedCard>& fetched,
                  bool persons) {
    SyncPlan plan;
    const std::vector<SyncEntry>& entries = state.entries;
    constexpr long kNone = -1;

    std::unordered_map<std::string, const std::string*> listedEtag;
    for (const ListedCard& card : listed)
        listedEtag.emplace(card.href, &card.etag);
    std::unordered_map<std::string, std::size_t> fetchedAt;
    for (std::size_t f = 0; f < fetched.size(); ++f)
        fetchedAt.emplace(fetched[f].href, f);
    std::unordered_map<std::string, std::size_t> entryAt;
    std::vector<OnServer> onServer(entries.size());
    for (std::size_t e = 0; e < entries.size(); ++e) {
        entryAt.emplace(entries[e].href, e);
        const auto at = listedEtag.find(entries[e].href);
        onServer[e] = at == listedEtag.end()           ? OnServer::Gone
                      : *at->second == entries[e].etag ? OnServer::Same
                                                       : OnServer::Changed;
    }

    // Records unchanged since the last sync, by the hash of their texts.
    std::vector<long> entryOfRecord(local.size(), kNone), recordOfEntry(entries.size(), kNone);
    {
        Pool byHash;
        for (std::size_t e = 0; e < entries.size(); ++e)
            byHash.add(entries[e].hash, e);
        for (std::size_t r = 0; r < local.size(); ++r) {
            const long e = byHash.take(recordHash(local[r]), [](std::size_t) { return true; });
            if (e != kNone) {
                entryOfRecord[r] = e;
                recordOfEntry[static_cast<std::size_t>(e)] = static_cast<long>(r);
            }
        }
    }

    // A record that is new or changed here may already be on the server as it is: sent by a
    // sync that was interrupted before its state was written, the same change made on both
    // sides, or the same contact added to both before the first sync. Such a record and card
    // are paired without sending or receiving anything.
    std::vector<bool> settledEntry(entries.size(), false), usedCard(fetched.size(), false);
    {
        Pool byContent;
        for (std::size_t f = 0; f < fetched.size(); ++f) {
            const auto e = entryAt.find(fetched[f].href);
            if (e == entryAt.end() || recordOfEntry[e->second] == kNone)
                byContent.add(recordHash(fetched[f].record), f);
        }
        for (std::size_t r = 0; r < local.size(); ++r) {
            if (entryOfRecord[r] != kNone)
                continue;
            const Record held = asServerHolds(local[r], persons);
            const long f = byContent.take(recordHash(held), [&](std::size_t f) {
                return fetched[f].record.texts == held.texts;
            });
            if (f == kNone)
                continue;
            const FetchedCard& card = fetched[static_cast<std::size_t>(f)];
            usedCard[static_cast<std::size_t>(f)] = true;
            plan.settled.push_back(entryFor(card.href, card.uid, card.etag, local[r]));
            entryOfRecord[r] = kNone - 1; // settled
            const auto e = entryAt.find(card.href);
            if (e != entryAt.end())
                settledEntry[e->second] = true;
        }
    }

    // A record changed here keeps its card when its name is the one the card had.
    std::vector<long> changedRecordOfEntry(entries.size(), kNone);
    {
        Pool byName;
        for (std::size_t e = 0; e < entries.size(); ++e)
            if (recordOfEntry[e] == kNone && !settledEntry[e])
                byName.add(entries[e].nameHash, e);
        for (std::size_t r = 0; r < local.size(); ++r) {
            if (entryOfRecord[r] != kNone)
                continue;
            const long e =
                byName.take(textHash(local[r].texts[0]), [](std::size_t) { return true; });
            if (e != kNone) {
                entryOfRecord[r] = e;
                changedRecordOfEntry[static_cast<std::size_t>(e)] = static_cast<long>(r);
            }
        }
    }

    std::unordered_set<std::string> taken;
    for (const SyncEntry& e : entries)
        taken.insert(lastSegment(e.href));
    for (const ListedCard& card : listed)
        taken.insert(lastSegment(card.href));
    for (const FetchedCard& card : fetched)
        taken.insert(card.uid);
    const auto uploadNew = [&](std::size_t r) {
        plan.uploads.push_back({r, "", newUid(local[r], taken), ""});
    };
    const auto insert = [&](std::size_t f, bool replacing) {
        plan.inserts.push_back(f);
        usedCard[f] = true;
        if (replacing)
            ++plan.changedDown;
    };

    for (std::size_t e = 0; e < entries.size(); ++e) {
        if (settledEntry[e])
            continue;
        const SyncEntry& entry = entries[e];
        const auto card = fetchedAt.find(entry.href);
        // A card whose ETag moved but that could not be fetched waits for the next sync, which
        // finds its entry and its record as they are now.
        if (onServer[e] == OnServer::Changed && card == fetchedAt.end()) {
            plan.settled.push_back(entry);
            continue;
        }
        const FetchedCard* down =
            onServer[e] == OnServer::Changed ? &fetched[card->second] : nullptr;
        if (recordOfEntry[e] != kNone) { // unchanged here
            const auto r = static_cast<std::size_t>(recordOfEntry[e]);
            if (onServer[e] == OnServer::Same) {
                plan.settled.push_back(entry);
            } else if (onServer[e] == OnServer::Gone) {
                plan.drops.push_back(r);
            } else if (down->record.texts == local[r].texts) {
                plan.settled.push_back(entryFor(entry.href, entry.uid, down->etag, local[r]));
                usedCard[card->second] = true;
            } else {
                plan.drops.push_back(r);
                insert(card->second, true);
            }
        } else if (changedRecordOfEntry[e] != kNone) { // changed here
            const auto r = static_cast<std::size_t>(changedRecordOfEntry[e]);
            if (onServer[e] == OnServer::Same) {
                plan.uploads.push_back({r, entry.href, entry.uid, entry.etag});
            } else if (onServer[e] == OnServer::Gone) {
                uploadNew(r);
            } else {
                // Changed on both sides: both are kept, on both sides.
                plan.conflicts.push_back(local[r].texts[0]);
                insert(card->second, false);
                uploadNew(r);
            }
        } else { // deleted here
            if (onServer[e] == OnServer::Same) {
                plan.removals.push_back({entry.href, entry.etag});
            } else if (onServer[e] == OnServer::Changed) {
                // Deleted here, changed there: the change is kept.
                plan.conflicts.push_back(down->record.texts[0]);
                insert(card->second, false);
            }
        }
    }
    for (std::size_t r = 0; r < local.size(); ++r)
        if (entryOfRecord[r] == kNone)
            uploadNew(r);
    for (std::size_t f = 0; f < fetched.size(); ++f)
        if (!usedCard[f] && entryAt.find(fetched[f].href) == entryAt.end())
            insert(f, false);
    return plan;
}

} // namespace core
