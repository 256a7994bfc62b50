// The sync of 10,000 cards with a real CardDAV server (radicale on the loopback address): the
// first sync of an empty file (every card down), a sync with nothing to do, and syncs after 100
// cards changed there, 100 records changed here and 100 records added here. Each is timed once,
// wall clock, server included. The 10,000 cards are put on the server in one request of the
// server's own (a whole address book at once): sent one by one, radicale checks each new card's
// UID against every card it holds, which makes filling it quadratic in its own time.
#include "core/rewrite.h"
#include "core/sync.h"
#include "core/vcardmap.h"
#include "gendata.h"
#include "platform/carddav.h"
#include "support/radicale.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <chrono>
#include <cstdio>

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

void timed(const char* what, const std::function<core::SyncReport()>& run) {
    const auto start = Clock::now();
    const core::SyncReport r = run();
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    std::printf("  %-44s %10.0f ms  (sent %lld, received %lld)\n", what, ms,
                static_cast<long long>(r.sentNew + r.sentChanged + r.sentDeleted),
                static_cast<long long>(r.receivedNew + r.receivedChanged + r.receivedDeleted));
    std::fflush(stdout);
}

// Every record as a card, in one PUT of the whole address book.
bool seed(const QUrl& book, const std::vector<core::Record>& records) {
    QByteArray body;
    for (std::size_t i = 0; i < records.size(); ++i)
        body += QByteArray::fromStdString(
            core::cardWithUid(records[i], true, "semilla-" + std::to_string(i)));
    QNetworkAccessManager manager;
    QNetworkRequest request(book);
    request.setHeader(QNetworkRequest::ContentTypeHeader, "text/vcard");
    const QByteArray login =
        QByteArray(testsupport::Radicale::kUser) + ":" + testsupport::Radicale::kPassword;
    request.setRawHeader("Authorization", "Basic " + login.toBase64());
    QNetworkReply* reply = manager.put(request, body);
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    loop.exec();
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    reply->deleteLater();
    return status == 201;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const std::size_t count = argc > 1 ? std::stoul(argv[1]) : 10000;
    testsupport::Radicale server;
    if (!server.running()) {
        std::printf("\nSync: skipped, %s\n", server.why().c_str());
        return 0;
    }
    testsupport::TempDir dir;
    const QUrl book = server.collection("bench");
    const fs::path file = dir / "persona1.dat";
    std::printf("\nSync with a CardDAV server (%zu cards, radicale on 127.0.0.1)\n", count);
    if (!seed(book, bench::makePersons(count))) {
        std::fprintf(stderr, "bench_sync: the server did not take the cards\n");
        return 1;
    }
    platform::CardDavClient client(book, testsupport::Radicale::kUser,
                                   testsupport::Radicale::kPassword);
    const auto sync = [&] { return core::synchronize(file, true, client); };
    try {
        // The server's own part of every sync below: the listing of the address book.
        const auto start = Clock::now();
        const std::size_t listed = client.list().size();
        std::printf("  %-44s %10.0f ms  (%zu cards)\n", "listing alone (PROPFIND, the floor)",
                    std::chrono::duration<double, std::milli>(Clock::now() - start).count(),
                    listed);
        timed("first sync of an empty file, every card down", sync);
        timed("sync with nothing to do", sync);

        std::vector<std::string> hrefs;
        for (const core::ListedCard& c : client.list())
            hrefs.push_back(c.href);
        hrefs.resize(std::min<std::size_t>(100, hrefs.size()));
        std::vector<core::CardServer::Put> changes;
        for (const core::CardServer::Body& b : client.fetch(hrefs)) {
            std::string text = b.text;
            text.insert(text.find("END:VCARD"), "NOTE:cambiado en el teléfono\r\n");
            changes.push_back({b.href, "", text, b.etag});
        }
        client.put(changes);
        timed("sync after 100 cards changed there", sync);

        std::vector<core::Record> records = core::readAllRecords(file);
        std::vector<core::Leaving> leaving;
        std::vector<core::Record> edited;
        for (std::size_t i = 0; i < 100 && i * 37 < records.size(); ++i) {
            leaving.push_back({static_cast<std::int64_t>(i * 37), records[i * 37]});
            edited.push_back(records[i * 37]);
            edited.back().texts[core::person::Notes] += " (cambiado aquí)";
        }
        core::replaceRecords(file, leaving, edited);
        timed("sync after 100 records changed here", sync);

        std::vector<core::Record> added = bench::makePersons(100, 7);
        for (core::Record& r : added)
            r.texts[core::person::Name] += " NUEVO";
        core::insertRecords(file, added);
        timed("sync after 100 records added here", sync);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_sync: %s\n", e.what());
        return 1;
    }
    return 0;
}
