#include "comm/openbronswer.h"

#include "core/fileio.h"
#include "core/localtarget.h"
#include "platform/text.h"

#include <QDir>

namespace comm {

namespace {

// Targets are scanned in UTF-8: "file:///" is ASCII, and a path keeps every character the
// file system may use.
std::optional<std::string> localPathOf(const QString& target) {
    std::string utf8 = target.toStdString();
    if (!core::isLocalTarget(utf8))
        return std::nullopt;
    return core::getarchivofromurl(utf8);
}

QString systemPath(const std::string& path) {
    return QString::fromStdString(core::localPathForSystem(path));
}

} // namespace

void openbronswer(platform::Services& services, const QString& target) {
    auto path = localPathOf(target);
    if (!path) {
        // A web address or mailto: as typed; QUrl percent-encodes what needs it.
        handOver(services, QUrl(target, QUrl::TolerantMode), target);
        return;
    }
    QString file = systemPath(*path);
    if (!core::fileio::exists(platform::toPath(file))) {
        services.prompter->messageDialog(
            "No se encontró el archivo: " + QDir::toNativeSeparators(file) +
                " Si intentaba ver la ayuda, intente ingresar haciendo clic en Menú Inicio "
                "de Windows  / Programas / Tevo Riviva 2/ Ayuda Tevo Riviva 2.",
            platform::Prompter::Icon::Information, platform::Prompter::Yes);
        return;
    }
    // A refusal names the file as the system writes it, not the target: "file:///" before an
    // absolute path would show a fourth slash.
    handOver(services, QUrl::fromLocalFile(file), QDir::toNativeSeparators(file));
}

QString refusedText(const QString& shown) {
    return "No se pudo abrir \"" + shown +
           "\": no hay ningún programa en el sistema que pueda abrirlo.";
}

bool handOver(platform::Services& services, const QUrl& url, const QString& shown) {
    if (services.shell->openUrl(url))
        return true;
    services.prompter->messageDialog(refusedText(shown), platform::Prompter::Icon::Error,
                                     platform::Prompter::OK);
    return false;
}

} // namespace comm
