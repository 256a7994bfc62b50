#include "comm/correo.h"

#include "comm/openbronswer.h"
#include "core/weblinks.h"
#include "platform/text.h"

namespace comm {

namespace {

QUrl encodedUrl(const std::string& url) {
    return QUrl::fromEncoded(QByteArray::fromStdString(url), QUrl::StrictMode);
}

} // namespace

QString sendmail(platform::Services& services, const QString& method, const QString& webMail,
                 const QString& address) {
    if (method == kMailApi) {
        // The address and body are percent-encoded: raw blanks and accents would reach the
        // mail program cut or garbled.
        if (!services.shell->openUrl(encodedUrl(core::mailtoUrl(platform::fromQ(address)))))
            services.prompter->showMessage(kNoMailClientText);
    } else if (method == kMailTevo) {
        openbronswer(services, QString::fromStdString(core::tevoMailUrl(platform::fromQ(address))));
    } else if (method == kMailWeb) {
        openbronswer(services, webMail);
    } else if (method == kMailNo) {
        return kMailOffText;
    }
    return {};
}

QString openWebSite(platform::Services& services, const QString& text, const QString& method,
                    const QString& webMail) {
    core::WebLink link = core::webLink(text.toStdString());
    QString url = QString::fromStdString(link.url);
    switch (link.verdict) {
    case core::WebLink::Verdict::Mail:
        return sendmail(services, method, webMail, url);
    case core::WebLink::Verdict::OtherScheme:
        return "No se abrió \"" + text.trimmed() +
               "\": solo se abren direcciones de internet (http, https o ftp).";
    case core::WebLink::Verdict::NoHost:
        return "No se abrió \"" + text.trimmed() + "\": no es una dirección de internet.";
    case core::WebLink::Verdict::Open:
        break;
    }
    // Straight to the desktop: the page opener would take a "file:///" inside the address
    // for a local document.
    handOver(services, QUrl(url, QUrl::TolerantMode), url);
    return {};
}

} // namespace comm
