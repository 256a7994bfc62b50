// The address book on a CardDAV server, over Qt Network: PROPFIND lists the cards, an
// addressbook-multiget REPORT (or GET, where the server has none) brings them, PUT with
// If-Match / If-None-Match sends them and DELETE with If-Match removes them. Basic and digest
// authentication are Qt's. Every call waits for its answers in a local event loop, so the
// program's windows keep painting and a cancel is heard; nothing runs on another thread.
#pragma once

#include "core/sync.h"

#include <QList>
#include <QPair>
#include <QString>
#include <QUrl>
#include <functional>
#include <memory>

class QNetworkAccessManager;
class QNetworkReply;

namespace platform {

class CardDavClient : public core::CardServer {
  public:
    // `collection` is the address book's address (a trailing "/" is added).
    CardDavClient(const QUrl& collection, const QString& user, const QString& password);
    ~CardDavClient() override;

    // Asked while waiting; true stops the call with a Cancelled error.
    void setCancelled(std::function<bool()> cancelled) { cancelled_ = std::move(cancelled); }
    // The collection of the persons and companies from a server address and a collection
    // name or path ("personas", "/juan/personas/", or a whole address).
    static QUrl collectionUrl(const QString& server, const QString& collection);

    std::string address() const override;
    std::vector<core::ListedCard> list() override;
    std::vector<Body> fetch(const std::vector<std::string>& hrefs) override;
    std::vector<Sent> put(const std::vector<Put>& cards) override;
    std::vector<bool> remove(const std::vector<core::SyncPlan::Removal>& cards) override;

  private:
    struct Answer {
        int status = 0;
        QByteArray body;
        QByteArray etag;
    };
    struct Request {
        QUrl url;
        QByteArray verb, body;
        QList<QPair<QByteArray, QByteArray>> headers;
    };
    // The requests, a few at a time; the answers in their order.
    std::vector<Answer> sendAll(const std::vector<Request>& requests);
    QNetworkReply* send(const QUrl& url, const QByteArray& verb, const QByteArray& body,
                        const QList<QPair<QByteArray, QByteArray>>& headers);
    // Waits for every reply and reads its answer; a failure of the connection, of the user's
    // name and password, or a cancel throws SyncError.
    std::vector<Answer> wait(const std::vector<QNetworkReply*>& replies);
    Answer one(const QUrl& url, const QByteArray& verb, const QByteArray& body,
               const QList<QPair<QByteArray, QByteArray>>& headers);
    QUrl urlOf(const std::string& href) const;
    void createCollection();
    std::vector<Body> fetchEach(const std::vector<std::string>& hrefs);

    QUrl collection_;
    QString user_, password_;
    std::unique_ptr<QNetworkAccessManager> manager_;
    std::function<bool()> cancelled_;
};

} // namespace platform
