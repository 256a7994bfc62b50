#include "core/sync.h"

#include "core/changelabel.h"
#include "core/syncstate.h"
#include "core/vcard.h"

#include <algorithm>
#include <unordered_map>

namespace core {

namespace {

// Requests per call to the server, so that the progress moves and a cancel is heard soon.
constexpr std::size_t kChunk = 100;

template <typename Item, typename Send>
void inChunks(const std::vector<Item>& items, SyncStep step, const SyncProgress& progress,
              Send send) {
    for (std::size_t first = 0; first < items.size(); first += kChunk) {
        const std::size_t end = std::min(items.size(), first + kChunk);
        send(std::vector<Item>(items.begin() + static_cast<long>(first),
                               items.begin() + static_cast<long>(end)),
             first);
        if (progress)
            progress(step, static_cast<std::int64_t>(end), static_cast<std::int64_t>(items.size()));
    }
}

std::string uidOf(const vcard::Card& card) {
    for (const vcard::Property& p : card.properties)
        if (p.name == "UID")
            return vcard::unescape(p.value);
    return {};
}

std::vector<FetchedCard> fetchCards(CardServer& server, const std::vector<std::string>& hrefs,
                                    bool persons, SyncReport& report,
                                    const SyncProgress& progress) {
    std::vector<FetchedCard> fetched;
    fetched.reserve(hrefs.size());
    inChunks(hrefs, SyncStep::Fetching, progress,
             [&](const std::vector<std::string>& chunk, std::size_t) {
                 for (const CardServer::Body& body : server.fetch(chunk)) {
                     const vcard::ReadResult read = vcard::parse(body.text);
                     if (read.error != vcard::ReadError::None || read.cards.empty()) {
                         ++report.unreadable;
                         continue;
                     }
                     FetchedCard card;
                     card.href = body.href;
                     card.etag = body.etag;
                     card.uid = uidOf(read.cards.front());
                     card.record = recordFromCard(read.cards.front(), persons, card.losses);
                     fetched.push_back(std::move(card));
                 }
             });
    return fetched;
}

void add(CardLosses& sum, const CardLosses& more) {
    sum.cut += more.cut;
    sum.replaced += more.replaced;
    sum.emailsInNotes += more.emailsInNotes;
}

} // namespace

std::string cardWithUid(const Record& record, bool persons, const std::string& uid) {
    std::string card = cardFromRecord(record, persons);
    const std::string version = "VERSION:3.0\r\n";
    card.insert(card.find(version) + version.size(), "UID:" + uid + "\r\n");
    return card;
}

SyncReport synchronize(const fs::path& dataFile, bool persons, CardServer& server,
                       const SyncProgress& progress) {
    SyncReport report;
    const SyncState before = readSyncState(dataFile, server.address());
    if (progress)
        progress(SyncStep::Listing, 0, 0);
    const std::vector<ListedCard> listed = server.list();
    const std::vector<FetchedCard> fetched =
        fetchCards(server, cardsToFetch(before, listed), persons, report, progress);
    const std::vector<Record> local = readAllRecords(dataFile);
    const SyncPlan plan = makePlan(local, before, listed, fetched, persons);
    report.conflicts = plan.conflicts;

    std::unordered_map<std::string, const SyncEntry*> old;
    for (const SyncEntry& e : before.entries)
        old.emplace(e.href, &e);
    SyncState after;
    after.collection = before.collection;
    after.entries = plan.settled;
    // A transfer the server refused leaves its entry as it was, for the next sync to see.
    const auto keepOld = [&](const std::string& href) {
        ++report.postponed;
        const auto at = old.find(href);
        if (at != old.end())
            after.entries.push_back(*at->second);
    };

    std::vector<CardServer::Put> puts;
    puts.reserve(plan.uploads.size());
    for (const SyncPlan::Upload& u : plan.uploads)
        puts.push_back({u.href, u.uid, cardWithUid(local[u.record], persons, u.uid), u.ifMatch});
    inChunks(puts, SyncStep::Sending, progress,
             [&](const std::vector<CardServer::Put>& chunk, std::size_t first) {
                 const std::vector<CardServer::Sent> sent = server.put(chunk);
                 for (std::size_t i = 0; i < chunk.size(); ++i) {
                     const SyncPlan::Upload& u = plan.uploads[first + i];
                     if (!sent[i].done) {
                         keepOld(u.href);
                         continue;
                     }
                     ++(u.ifMatch.empty() ? report.sentNew : report.sentChanged);
                     const Record& r = local[u.record];
                     after.entries.push_back(
                         {sent[i].href, u.uid, sent[i].etag, recordHash(r), textHash(r.texts[0])});
                 }
             });
    inChunks(plan.removals, SyncStep::Deleting, progress,
             [&](const std::vector<SyncPlan::Removal>& chunk, std::size_t) {
                 const std::vector<bool> gone = server.remove(chunk);
                 for (std::size_t i = 0; i < chunk.size(); ++i) {
                     if (gone[i])
                         ++report.sentDeleted;
                     else
                         keepOld(chunk[i].href);
                 }
             });

    if (!plan.drops.empty() || !plan.inserts.empty()) {
        std::vector<Leaving> leaving;
        leaving.reserve(plan.drops.size());
        for (const std::size_t r : plan.drops)
            leaving.push_back({static_cast<std::int64_t>(r), local[r]});
        std::vector<Record> inserts;
        inserts.reserve(plan.inserts.size());
        for (const std::size_t f : plan.inserts)
            inserts.push_back(fetched[f].record);
        if (progress)
            progress(SyncStep::Writing, 0, static_cast<std::int64_t>(inserts.size()));
        RewriteResult result;
        {
            const ChangeLabel label("sincronizar");
            result = replaceRecords(dataFile, leaving, inserts);
        }
        if (result.position == kRewriteFailed || result.position == kRecordChanged) {
            report.failure = result.failure;
            return report;
        }
        report.failure = result.failure;
        for (const std::size_t f : plan.inserts) {
            const FetchedCard& card = fetched[f];
            after.entries.push_back({card.href, card.uid, card.etag, recordHash(card.record),
                                     textHash(card.record.texts[0])});
            add(report.losses, card.losses);
        }
        report.receivedChanged = plan.changedDown;
        report.receivedNew = static_cast<std::int64_t>(plan.inserts.size()) - plan.changedDown;
        report.receivedDeleted = static_cast<std::int64_t>(plan.drops.size()) - plan.changedDown;
    }
    writeSyncState(dataFile, after);
    return report;
}

} // namespace core
