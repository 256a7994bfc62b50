#include "platform/carddav.h"

#include <QAuthenticator>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QXmlStreamReader>
#include <memory>

namespace platform {

namespace {

using core::SyncError;
using Headers = QList<QPair<QByteArray, QByteArray>>;

const QString kDav = "DAV:";
const QString kCardDav = "urn:ietf:params:xml:ns:carddav";

// A server answers a listing of a large address book only once it has read all of it; the
// person can cancel a wait that seems too long.
constexpr int kTimeoutMs = 180000;
// Requests in flight at once: what Qt opens connections for to one server. More would wait in
// Qt's queue with their timeouts running.
constexpr std::size_t kInFlight = 6;

const QByteArray kPropfind = R"(<?xml version="1.0" encoding="utf-8"?>
<d:propfind xmlns:d="DAV:"><d:prop><d:getetag/><d:resourcetype/></d:prop></d:propfind>)";

const QByteArray kMkcol = R"(<?xml version="1.0" encoding="utf-8"?>
<d:mkcol xmlns:d="DAV:" xmlns:c="urn:ietf:params:xml:ns:carddav"><d:set><d:prop>
<d:resourcetype><d:collection/><c:addressbook/></d:resourcetype></d:prop></d:set></d:mkcol>)";

// One <response> of a multistatus answer.
struct Response {
    QString href;
    QString etag;
    QString addressData;
    bool collection = false;
    bool ok = false; // its properties came with status 200
};

// The responses of a 207 answer; the properties of a propstat that is not 200 are left out.
std::vector<Response> multistatus(const QByteArray& body) {
    std::vector<Response> out;
    QXmlStreamReader xml(body);
    Response current;
    bool inResponse = false, propOk = false;
    QString etag, data;
    bool collection = false;
    while (!xml.atEnd()) {
        xml.readNext();
        const QString ns = xml.namespaceUri().toString();
        const QString name = xml.name().toString();
        if (xml.isStartElement()) {
            if (ns == kDav && name == "response") {
                current = Response();
                inResponse = true;
            } else if (!inResponse) {
                continue;
            } else if (ns == kDav && name == "href" && current.href.isEmpty()) {
                current.href = xml.readElementText().trimmed();
            } else if (ns == kDav && name == "propstat") {
                etag.clear();
                data.clear();
                collection = false;
                propOk = false;
            } else if (ns == kDav && name == "getetag") {
                etag = xml.readElementText().trimmed();
            } else if (ns == kCardDav && name == "address-data") {
                data = xml.readElementText();
            } else if (ns == kDav && name == "collection") {
                collection = true;
            } else if (ns == kDav && name == "status") {
                propOk = xml.readElementText().contains(" 200");
            }
        } else if (xml.isEndElement()) {
            if (ns == kDav && name == "propstat" && propOk) {
                current.ok = true;
                current.etag = etag;
                current.addressData = data;
                current.collection = collection;
            } else if (ns == kDav && name == "response" && inResponse) {
                out.push_back(current);
                inResponse = false;
            }
        }
    }
    if (xml.hasError())
        throw SyncError(SyncError::Kind::Server, "El servidor devolvió una respuesta no válida (" +
                                                     xml.errorString().toStdString() + ").");
    return out;
}

QString xmlEscaped(const std::string& text) {
    return QString::fromStdString(text).toHtmlEscaped();
}

SyncError statusError(int status, const QUrl& url) {
    return SyncError(SyncError::Kind::Server, "El servidor respondió " + std::to_string(status) +
                                                  " a " + url.toDisplayString().toStdString() +
                                                  ".");
}

} // namespace

CardDavClient::CardDavClient(const QUrl& collection, const QString& user, const QString& password)
    : collection_(collection), user_(user), password_(password),
      manager_(std::make_unique<QNetworkAccessManager>()) {
    QString path = collection_.path();
    if (!path.endsWith('/'))
        collection_.setPath(path + '/');
    // Qt asks each reply once; asked again for the same reply, the name and password were
    // refused, and leaving the authenticator empty ends the reply with an authentication error.
    QObject::connect(manager_.get(), &QNetworkAccessManager::authenticationRequired,
                     [this](QNetworkReply* reply, QAuthenticator* auth) {
                         if (reply->property("tevoAsked").toBool())
                             return;
                         reply->setProperty("tevoAsked", true);
                         auth->setUser(user_);
                         auth->setPassword(password_);
                     });
}

CardDavClient::~CardDavClient() = default;

QUrl CardDavClient::collectionUrl(const QString& server, const QString& collection) {
    QUrl base = QUrl::fromUserInput(server.trimmed());
    if (!base.path().endsWith('/'))
        base.setPath(base.path() + '/');
    QString name = collection.trimmed();
    if (!name.isEmpty() && !name.endsWith('/'))
        name += '/';
    return base.resolved(QUrl(name));
}

std::string CardDavClient::address() const {
    return collection_.toString(QUrl::RemoveUserInfo).toStdString();
}

QUrl CardDavClient::urlOf(const std::string& href) const {
    return collection_.resolved(QUrl::fromEncoded(QByteArray::fromStdString(href)));
}

QNetworkReply* CardDavClient::send(const QUrl& url, const QByteArray& verb, const QByteArray& body,
                                   const Headers& headers) {
    QNetworkRequest request(url);
    request.setTransferTimeout(kTimeoutMs);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    for (const auto& [name, value] : headers)
        request.setRawHeader(name, value);
    return manager_->sendCustomRequest(request, verb, body);
}

std::vector<CardDavClient::Answer> CardDavClient::wait(const std::vector<QNetworkReply*>& replies) {
    std::vector<std::unique_ptr<QNetworkReply>> owned;
    for (QNetworkReply* reply : replies)
        owned.emplace_back(reply);
    QEventLoop loop;
    QTimer watch;
    watch.setInterval(50);
    bool cancelled = false;
    const auto check = [&] {
        if (cancelled_ && cancelled_()) {
            cancelled = true;
            loop.quit();
            return;
        }
        for (QNetworkReply* reply : replies)
            if (!reply->isFinished())
                return;
        loop.quit();
    };
    QObject::connect(&watch, &QTimer::timeout, &loop, check);
    for (QNetworkReply* reply : replies)
        QObject::connect(reply, &QNetworkReply::finished, &loop, check);
    watch.start();
    check();
    if (!cancelled && std::any_of(replies.begin(), replies.end(),
                                  [](QNetworkReply* r) { return !r->isFinished(); }))
        loop.exec();
    if (cancelled) {
        for (QNetworkReply* reply : replies)
            reply->abort();
        throw SyncError(SyncError::Kind::Cancelled, "Sincronización cancelada.");
    }
    std::vector<Answer> answers;
    for (QNetworkReply* reply : replies) {
        Answer answer;
        answer.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        if (answer.status == 401 || reply->error() == QNetworkReply::AuthenticationRequiredError)
            throw SyncError(SyncError::Kind::Auth,
                            "El servidor no aceptó el usuario o la contraseña.");
        if (answer.status == 0)
            throw SyncError(SyncError::Kind::Network,
                            "No se pudo conectar con el servidor " +
                                reply->url().toDisplayString(QUrl::RemovePath).toStdString() +
                                " (" + reply->errorString().toStdString() + ").");
        answer.body = reply->readAll();
        answer.etag = reply->rawHeader("ETag");
        answers.push_back(std::move(answer));
    }
    return answers;
}

std::vector<CardDavClient::Answer> CardDavClient::sendAll(const std::vector<Request>& requests) {
    std::vector<Answer> answers;
    answers.reserve(requests.size());
    for (std::size_t first = 0; first < requests.size(); first += kInFlight) {
        std::vector<QNetworkReply*> replies;
        for (std::size_t i = first; i < std::min(requests.size(), first + kInFlight); ++i)
            replies.push_back(
                send(requests[i].url, requests[i].verb, requests[i].body, requests[i].headers));
        for (Answer& answer : wait(replies))
            answers.push_back(std::move(answer));
    }
    return answers;
}

CardDavClient::Answer CardDavClient::one(const QUrl& url, const QByteArray& verb,
                                         const QByteArray& body, const Headers& headers) {
    return wait({send(url, verb, body, headers)}).front();
}

void CardDavClient::createCollection() {
    const Answer made =
        one(collection_, "MKCOL", kMkcol, {{"Content-Type", "application/xml; charset=utf-8"}});
    if (made.status != 201)
        throw SyncError(SyncError::Kind::Server,
                        "La libreta de direcciones " + collection_.toDisplayString().toStdString() +
                            " no existe y no se pudo crear (el servidor respondió " +
                            std::to_string(made.status) + ").");
}

std::vector<core::ListedCard> CardDavClient::list() {
    const Headers headers{{"Depth", "1"}, {"Content-Type", "application/xml; charset=utf-8"}};
    Answer answer = one(collection_, "PROPFIND", kPropfind, headers);
    if (answer.status == 404) {
        createCollection();
        return {};
    }
    if (answer.status != 207)
        throw statusError(answer.status, collection_);
    std::vector<core::ListedCard> cards;
    const QString own = collection_.path();
    for (const Response& r : multistatus(answer.body)) {
        if (!r.ok || r.collection || r.href.endsWith('/') ||
            urlOf(r.href.toStdString()).path() == own)
            continue;
        cards.push_back({r.href.toStdString(), r.etag.toStdString()});
    }
    return cards;
}

std::vector<core::CardServer::Body> CardDavClient::fetch(const std::vector<std::string>& hrefs) {
    if (hrefs.empty())
        return {};
    QString query = R"(<?xml version="1.0" encoding="utf-8"?>
<c:addressbook-multiget xmlns:d="DAV:" xmlns:c="urn:ietf:params:xml:ns:carddav">
<d:prop><d:getetag/><c:address-data/></d:prop>)";
    for (const std::string& href : hrefs)
        query += "<d:href>" + xmlEscaped(href) + "</d:href>";
    query += "</c:addressbook-multiget>";
    const Answer answer = one(collection_, "REPORT", query.toUtf8(),
                              {{"Depth", "1"}, {"Content-Type", "application/xml; charset=utf-8"}});
    if (answer.status == 400 || answer.status == 403 || answer.status == 405 ||
        answer.status == 501)
        return fetchEach(hrefs);
    if (answer.status != 207)
        throw statusError(answer.status, collection_);
    std::vector<Body> bodies;
    for (const Response& r : multistatus(answer.body))
        if (r.ok && !r.addressData.isEmpty())
            bodies.push_back(
                {r.href.toStdString(), r.etag.toStdString(), r.addressData.toStdString()});
    return bodies;
}

std::vector<core::CardServer::Body>
CardDavClient::fetchEach(const std::vector<std::string>& hrefs) {
    std::vector<Request> requests;
    for (const std::string& href : hrefs)
        requests.push_back({urlOf(href), "GET", {}, {}});
    const std::vector<Answer> answers = sendAll(requests);
    std::vector<Body> bodies;
    for (std::size_t i = 0; i < hrefs.size(); ++i) {
        if (answers[i].status == 404 || answers[i].status == 410)
            continue;
        if (answers[i].status != 200)
            throw statusError(answers[i].status, urlOf(hrefs[i]));
        bodies.push_back({hrefs[i], answers[i].etag.toStdString(), answers[i].body.toStdString()});
    }
    return bodies;
}

std::vector<core::CardServer::Sent> CardDavClient::put(const std::vector<Put>& cards) {
    std::vector<Request> requests;
    std::vector<std::string> hrefs;
    for (const Put& card : cards) {
        const std::string href =
            card.href.empty()
                ? collection_.path(QUrl::FullyEncoded).toStdString() +
                      QUrl::toPercentEncoding(QString::fromStdString(card.uid)).toStdString() +
                      ".vcf"
                : card.href;
        hrefs.push_back(href);
        Headers headers{{"Content-Type", "text/vcard; charset=utf-8"}};
        if (card.ifMatch.empty())
            headers.append(qMakePair(QByteArray("If-None-Match"), QByteArray("*")));
        else
            headers.append(
                qMakePair(QByteArray("If-Match"), QByteArray::fromStdString(card.ifMatch)));
        requests.push_back({urlOf(href), "PUT", QByteArray::fromStdString(card.text), headers});
    }
    const std::vector<Answer> answers = sendAll(requests);
    std::vector<Sent> sent;
    for (std::size_t i = 0; i < cards.size(); ++i) {
        const int status = answers[i].status;
        if (status == 412) {
            sent.push_back({false, hrefs[i], {}});
            continue;
        }
        if (status != 200 && status != 201 && status != 204)
            throw statusError(status, urlOf(hrefs[i]));
        sent.push_back({true, hrefs[i], answers[i].etag.toStdString()});
    }
    return sent;
}

std::vector<bool> CardDavClient::remove(const std::vector<core::SyncPlan::Removal>& cards) {
    std::vector<Request> requests;
    for (const core::SyncPlan::Removal& card : cards)
        requests.push_back(
            {urlOf(card.href), "DELETE", {}, {{"If-Match", QByteArray::fromStdString(card.etag)}}});
    const std::vector<Answer> answers = sendAll(requests);
    std::vector<bool> gone;
    for (std::size_t i = 0; i < cards.size(); ++i) {
        const int status = answers[i].status;
        if (status != 412 && status != 200 && status != 204 && status != 404)
            throw statusError(status, urlOf(cards[i].href));
        gone.push_back(status != 412);
    }
    return gone;
}

} // namespace platform
