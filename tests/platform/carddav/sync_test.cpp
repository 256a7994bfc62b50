// Two-way sync against a real CardDAV server (radicale on the loopback address). The "phone" is
// a second client of the same address book, which adds, changes and deletes cards the way any
// other program would.
#include "core/datafile.h"
#include "core/rewrite.h"
#include "core/sync.h"
#include "core/syncstate.h"
#include "platform/carddav.h"

#include "support/radicale.h"
#include "support/tempdir.h"

#include <QUuid>
#include <algorithm>
#include <gtest/gtest.h>
#include <memory>
#include <set>

using namespace core;
using namespace testsupport;
using platform::CardDavClient;

namespace {

Record person(const std::string& name, const std::string& phone) {
    Record r;
    r.texts[person::Name] = name;
    r.texts[person::Phone] = phone;
    r.tag = kTagPerson;
    return r;
}

std::string phoneCard(const std::string& uid, const std::string& name, const std::string& tel) {
    return "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:" + uid + "\r\nFN:" + name + "\r\nN:" + name +
           ";;;;\r\nTEL;TYPE=CELL:" + tel + "\r\nEND:VCARD\r\n";
}

class SyncTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { server_ = new Radicale(); }
    static void TearDownTestSuite() {
        delete server_;
        server_ = nullptr;
    }
    void SetUp() override {
        if (!server_->running())
            GTEST_SKIP() << "No CardDAV server for the sync tests: " << server_->why();
        // Each test has an address book of its own on the one server.
        book_ = server_->collection("libreta-" + QUuid::createUuid().toString(QUuid::Id128));
        client_ = std::make_unique<CardDavClient>(book_, Radicale::kUser, Radicale::kPassword);
        phone_ = std::make_unique<CardDavClient>(book_, Radicale::kUser, Radicale::kPassword);
        file_ = dir_ / "persona1.dat";
        phone_->list(); // which creates the address book
    }

    SyncReport sync() { return synchronize(file_, true, *client_); }
    void write(const std::vector<Record>& records) { replaceWithRecords(file_, records); }
    std::vector<Record> records() const { return readAllRecords(file_); }
    std::vector<std::string> names() const {
        std::vector<std::string> out;
        for (const Record& r : records())
            out.push_back(r.texts[0]);
        return out;
    }
    // What the phone sees: each card's name and first number, by name.
    std::multiset<std::pair<std::string, std::string>> onPhone() {
        std::vector<std::string> hrefs;
        for (const ListedCard& c : phone_->list())
            hrefs.push_back(c.href);
        std::multiset<std::pair<std::string, std::string>> out;
        for (const CardServer::Body& b : phone_->fetch(hrefs)) {
            const vcard::ReadResult read = vcard::parse(b.text);
            CardLosses losses;
            const Record r = recordFromCard(read.cards.at(0), true, losses);
            out.emplace(r.texts[0], r.texts[person::Phone] + r.texts[person::Mobile]);
        }
        return out;
    }
    std::string hrefOf(const std::string& name) {
        std::vector<std::string> hrefs;
        for (const ListedCard& c : phone_->list())
            hrefs.push_back(c.href);
        // The server may hand the card back with other line ends than it was sent with.
        for (const CardServer::Body& b : phone_->fetch(hrefs)) {
            const std::size_t at = b.text.find("FN:" + name);
            const std::size_t end = at + 3 + name.size();
            if (at != std::string::npos && end < b.text.size() &&
                (b.text[end] == '\r' || b.text[end] == '\n'))
                return b.href;
        }
        ADD_FAILURE() << "no card named " << name;
        return {};
    }
    std::string etagOf(const std::string& href) {
        for (const ListedCard& c : phone_->list())
            if (c.href == href)
                return c.etag;
        return {};
    }
    void phonePuts(const std::string& uid, const std::string& name, const std::string& tel) {
        ASSERT_TRUE(phone_->put({{"", uid, phoneCard(uid, name, tel), ""}}).at(0).done);
    }
    // The phone gives the card of `name` a new number; the card keeps its UID.
    void phoneChanges(const std::string& name, const std::string& tel) {
        const std::string href = hrefOf(name);
        const std::string text = phone_->fetch({href}).at(0).text;
        const std::size_t uid = text.find("UID:") + 4;
        const std::string id = text.substr(uid, text.find_first_of("\r\n", uid) - uid);
        ASSERT_TRUE(phone_->put({{href, id, phoneCard(id, name, tel), etagOf(href)}}).at(0).done);
    }

    static Radicale* server_;
    TempDir dir_;
    QUrl book_;
    std::unique_ptr<CardDavClient> client_, phone_;
    fs::path file_;
};

Radicale* SyncTest::server_ = nullptr;

TEST_F(SyncTest, FirstSyncGoesBothWaysAndASecondFindsNothingToDo) {
    write({person("ANA", "111"), person("BETO", "222")});
    // Polish and an emoji: the record keeps what Windows-1252 holds, the rest is counted.
    phonePuts("phone-1", "ŁUKASZ 😀 ÑU", "333");

    const SyncReport first = sync();
    EXPECT_EQ(first.sentNew, 2);
    EXPECT_EQ(first.receivedNew, 1);
    EXPECT_EQ(first.losses.replaced, 2);
    EXPECT_EQ(names(), (std::vector<std::string>{"?UKASZ ? \xD1U", "ANA", "BETO"}));
    EXPECT_EQ(onPhone(), (std::multiset<std::pair<std::string, std::string>>{
                             {"ANA", "111"}, {"BETO", "222"}, {"?UKASZ ? \xD1U", "333"}}));
    // The phone's card keeps its own characters: only the record had to give them up.
    EXPECT_NE(hrefOf("ŁUKASZ 😀 ÑU"), "");

    const std::string data = readBytes(file_), state = readBytes(syncStatePath(file_));
    const SyncReport second = sync();
    EXPECT_EQ(second.sentNew + second.sentChanged + second.sentDeleted + second.receivedNew +
                  second.receivedChanged + second.receivedDeleted,
              0);
    EXPECT_EQ(readBytes(file_), data);
    EXPECT_EQ(readBytes(syncStatePath(file_)), state);
}

TEST_F(SyncTest, ChangesAndDeletionsOnEachSideReachTheOther) {
    write({person("ANA", "111"), person("BETO", "222"), person("CARLA", "333"),
           person("DARIO", "444")});
    sync();
    const std::string anaHref = hrefOf("ANA");

    // Here: ANA gets a new number, BETO is deleted. There: CARLA changes, DARIO is deleted.
    write({person("ANA", "999"), person("CARLA", "333"), person("DARIO", "444")});
    const std::string dario = hrefOf("DARIO");
    phoneChanges("CARLA", "777");
    ASSERT_TRUE(phone_->remove({{dario, etagOf(dario)}}).at(0));

    const SyncReport report = sync();
    EXPECT_EQ(report.sentChanged, 1);
    EXPECT_EQ(report.sentDeleted, 1);
    EXPECT_EQ(report.receivedChanged, 1);
    EXPECT_EQ(report.receivedDeleted, 1);
    EXPECT_TRUE(report.conflicts.empty());
    EXPECT_EQ(names(), (std::vector<std::string>{"ANA", "CARLA"}));
    EXPECT_EQ(records()[1].texts[person::Mobile], "777");
    EXPECT_EQ(onPhone(), (std::multiset<std::pair<std::string, std::string>>{{"ANA", "999"},
                                                                             {"CARLA", "777"}}));
    // The changed record went up into its own card, not a new one.
    EXPECT_EQ(hrefOf("ANA"), anaHref);
}

TEST_F(SyncTest, AChangeOnBothSidesKeepsBothOnBothSides) {
    write({person("ANA", "111")});
    sync();
    write({person("ANA", "222")});
    phoneChanges("ANA", "333");

    const SyncReport report = sync();
    EXPECT_EQ(report.conflicts, (std::vector<std::string>{"ANA"}));
    const std::vector<Record> now = records();
    ASSERT_EQ(now.size(), 2u);
    EXPECT_EQ(now[0].texts[person::Phone] + now[1].texts[person::Phone] +
                  now[0].texts[person::Mobile] + now[1].texts[person::Mobile],
              "222333");
    EXPECT_EQ(onPhone(),
              (std::multiset<std::pair<std::string, std::string>>{{"ANA", "222"}, {"ANA", "333"}}));
    const SyncReport again = sync();
    EXPECT_TRUE(again.conflicts.empty());
    EXPECT_EQ(records().size(), 2u);
}

TEST_F(SyncTest, AnInterruptedSyncIsFinishedByTheNextWithoutDuplicates) {
    write({person("ANA", "111")});
    sync();
    // A sync that went as far as the data file and was killed before its state was written.
    const std::string stateBefore = readBytes(syncStatePath(file_));
    write({person("ANA", "111"), person("BETO", "222")});
    phonePuts("phone-1", "CARLA", "333");
    phoneChanges("ANA", "444");
    sync();
    writeBytes(syncStatePath(file_), stateBefore);

    // And one that sent its cards and lost the connection before it wrote anything.
    insertRecords(file_, {person("DORA", "555")});
    client_->put({{"", "tevo-dora", cardWithUid(person("DORA", "555"), true, "tevo-dora"), ""}});

    const SyncReport resumed = sync();
    EXPECT_EQ(resumed.sentNew + resumed.sentChanged + resumed.receivedNew +
                  resumed.receivedChanged + resumed.receivedDeleted + resumed.sentDeleted,
              0);
    EXPECT_TRUE(resumed.conflicts.empty());
    EXPECT_EQ(names(), (std::vector<std::string>{"ANA", "BETO", "CARLA", "DORA"}));
    EXPECT_EQ(onPhone().size(), 4u);
}

TEST_F(SyncTest, AWrongPasswordOrAServerThatIsDownChangesNothing) {
    write({person("ANA", "111")});
    const std::string data = readBytes(file_);
    CardDavClient wrong(book_, Radicale::kUser, "otra");
    try {
        synchronize(file_, true, wrong);
        FAIL() << "a wrong password was taken";
    } catch (const SyncError& e) {
        EXPECT_EQ(e.kind(), SyncError::Kind::Auth);
    }
    CardDavClient down(QUrl(QString("http://127.0.0.1:%1/ana/x/").arg(Radicale::freePort())),
                       Radicale::kUser, Radicale::kPassword);
    try {
        synchronize(file_, true, down);
        FAIL() << "a server that is down was reached";
    } catch (const SyncError& e) {
        EXPECT_EQ(e.kind(), SyncError::Kind::Network);
    }
    EXPECT_EQ(readBytes(file_), data);
    EXPECT_FALSE(fs::exists(syncStatePath(file_)));
}

} // namespace

namespace {

TEST_F(SyncTest, ACancelledSyncStopsAtItsNextRequestAndChangesNothing) {
    write({person("ANA", "111")});
    const std::string data = readBytes(file_);
    client_->setCancelled([] { return true; });
    try {
        sync();
        FAIL() << "the sync went on";
    } catch (const SyncError& e) {
        EXPECT_EQ(e.kind(), SyncError::Kind::Cancelled);
    }
    EXPECT_EQ(readBytes(file_), data);
    EXPECT_FALSE(fs::exists(syncStatePath(file_)));
    EXPECT_TRUE(phone_->list().empty());
}

} // namespace
