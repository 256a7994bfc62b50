// Writing an e-mail by the chosen method, and opening a record's web site.
#pragma once

#include "platform/services.h"

#include <QString>

namespace comm {

// The mail methods of the settings, compared exactly.
inline const QString kMailApi = "api", kMailTevo = "tevo", kMailWeb = "web", kMailNo = "no";

inline const QString kNoMailClientText =
    "Error. Método fallado,  no se pudo abrir programa cliente. (Cod. 400)";
inline const QString kMailOffText =
    "Tiene desactivada la opción para \"Enviar correo electrónico\".";

// Writes an e-mail to `address` (may be empty) by `method`: the mail program, the maker's web
// mail form, the user's web-mail page (`webMail`, the address is not passed on) or nothing.
// Returns the text for the main window's status bar, empty when there is none.
QString sendmail(platform::Services& services, const QString& method, const QString& webMail,
                 const QString& address);

// Opens a web site as the user stored it; an e-mail address (with or without "mailto:") is
// mailed by `method` as sendmail does. Anything else is left alone; the result is then the
// reason, for the status bar, and otherwise sendmail's status text or empty.
QString openWebSite(platform::Services& services, const QString& text, const QString& method,
                    const QString& webMail);

} // namespace comm
