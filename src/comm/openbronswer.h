// Opens a page, a document or a web address with the desktop's default handler.
#pragma once

#include "platform/services.h"

#include <QString>

namespace comm {

// A local target ("file:///" + path) is opened only when its file exists; otherwise the user
// is told where it was looked for. Any other target is handed over as it is.
void openbronswer(platform::Services& services, const QString& target);

// Hands a URL to the desktop; when no program takes it, says so in an error box naming
// `shown`. Returns whether it was taken.
bool handOver(platform::Services& services, const QUrl& url, const QString& shown);

// The message of a hand-over that no program took.
QString refusedText(const QString& shown);

} // namespace comm
