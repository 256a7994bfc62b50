#include "comm/openbronswer.h"

#include "core/fileio.h"
#include "core/localtarget.h"
#include "platform/text.h"

namespace comm {

QUrl urlForTarget(const QString& target) {
    std::string bytes = platform::fromQ(target);
    if (core::isLocalTarget(bytes)) {
        std::string path = core::localPathForSystem(core::getarchivofromurl(bytes));
        return QUrl::fromLocalFile(platform::toQ(path));
    }
    // A web address or mailto: as typed; QUrl percent-encodes what needs it.
    return QUrl(target, QUrl::TolerantMode);
}

void openbronswer(platform::Services& services, const QString& target) {
    std::string bytes = platform::fromQ(target);
    if (core::isLocalTarget(bytes)) {
        std::string path = core::getarchivofromurl(bytes);
        if (!core::fileio::exists(core::localPathForSystem(path))) {
            services.prompter->messageDialog(
                "No se encontró el archivo: " + platform::toQ(path) +
                    " Si intentaba ver la ayuda, intente ingresar haciendo clic en Menú Inicio "
                    "de Windows  / Programas / Tevo Riviva 2/ Ayuda Tevo Riviva 2.",
                platform::Prompter::Icon::Information, platform::Prompter::Yes);
            return;
        }
    }
    services.shell->openUrl(urlForTarget(target));
}

} // namespace comm
