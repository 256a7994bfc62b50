// The sync password in the desktop's secret store (never in the settings file). Where no
// secret store runs, the program keeps what the user typed for the session only.
#pragma once

#include <QString>
#include <optional>

namespace platform {

struct StoredSecret {
    bool storeRuns = false;          // a secret store answered
    std::optional<QString> password; // what it holds under the key
};

// Waits for the store's answer (a local event loop; the windows keep painting).
StoredSecret readSecret(const QString& key);
// Whether the store took it.
bool writeSecret(const QString& key, const QString& password);

} // namespace platform
