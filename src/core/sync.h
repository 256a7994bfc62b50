// Two-way sync of a data file with one address book on a CardDAV server: the server is reached
// through the small interface below (the program's is on Qt Network), everything else is here.
// The order makes an interrupted sync safe: cards go up and are deleted first, then the cards
// that came down are written into the data file in one rewrite, and only then the state; a
// sync that stops anywhere before leaves a state that the next one completes without
// duplicates, because a record found on the server as it is gets paired, not sent again.
#pragma once

#include "core/rewrite.h"
#include "core/syncplan.h"

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace core {

// Why a sync could not reach or use the server. Nothing of the data file or state changed.
class SyncError : public std::runtime_error {
  public:
    enum class Kind { Auth, Network, Server, Cancelled };
    SyncError(Kind kind, const std::string& what) : std::runtime_error(what), kind_(kind) {}
    Kind kind() const { return kind_; }

  private:
    Kind kind_;
};

// One address book on the server. Every call throws SyncError when the server cannot be
// reached, refuses the user or the request, or the user cancelled.
class CardServer {
  public:
    virtual ~CardServer() = default;

    struct Body {
        std::string href, etag, text;
    };
    struct Put {
        std::string href; // empty: a new card, named by the server's client after its uid
        std::string uid;
        std::string text;
        std::string ifMatch; // with a href: the ETag the card must still have
    };
    struct Sent {
        bool done = false; // false: the card changed or appeared meanwhile (412)
        std::string href, etag;
    };

    // The address that names the address book in the state file.
    virtual std::string address() const = 0;
    virtual std::vector<ListedCard> list() = 0;
    // The cards of the hrefs; one gone meanwhile is left out.
    virtual std::vector<Body> fetch(const std::vector<std::string>& hrefs) = 0;
    virtual std::vector<Sent> put(const std::vector<Put>& cards) = 0;
    // For each, whether it is gone now (false: it changed meanwhile).
    virtual std::vector<bool> remove(const std::vector<SyncPlan::Removal>& cards) = 0;
};

struct SyncReport {
    std::int64_t sentNew = 0, sentChanged = 0, sentDeleted = 0;
    std::int64_t receivedNew = 0, receivedChanged = 0, receivedDeleted = 0;
    // Transfers the server refused because the card changed during the sync; the next sync
    // takes them up again.
    std::int64_t postponed = 0;
    std::int64_t unreadable = 0; // cards on the server that are no vCard
    std::vector<std::string> conflicts;
    CardLosses losses; // of the cards written into the data file
    // A rewrite that did not happen (the file changed meanwhile, wrong kind ...): nothing came
    // down and the state was not written; what went up stays up and is paired next time.
    RewriteFailure failure = RewriteFailure::None;
};

enum class SyncStep { Listing, Fetching, Sending, Deleting, Writing };
// Told how far a step has come: done of total.
using SyncProgress = std::function<void(SyncStep step, std::int64_t done, std::int64_t total)>;

// Synchronises the data file (persons or companies) with the address book. The records that
// come down are written through one rewrite named "sincronizar" for the undo menu.
SyncReport synchronize(const fs::path& dataFile, bool persons, CardServer& server,
                       const SyncProgress& progress = {});

// The card a record goes up as: vCard 3.0 with its UID.
std::string cardWithUid(const Record& record, bool persons, const std::string& uid);

} // namespace core
