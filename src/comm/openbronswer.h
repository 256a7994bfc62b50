// Opens a page, a document or a web address with the desktop's default handler.
#pragma once

#include "platform/services.h"

#include <QString>

namespace comm {

// A local target ("file:///" + path) is opened only when its file exists; otherwise the user
// is told where it was looked for. Any other target is handed over as it is.
void openbronswer(platform::Services& services, const QString& target);

} // namespace comm
