#include "platform/secrets.h"

#include <QEventLoop>
#include <qt6keychain/keychain.h>

namespace platform {

namespace {

const QString kService = "Tevo Riviva 2";

// Tests set it so that they never reach the secret store of the person running them.
bool storeWithheld() {
    return qEnvironmentVariableIsSet("TEVORIVIVA_NO_SECRET_STORE");
}

void run(QKeychain::Job& job) {
    job.setAutoDelete(false);
    QEventLoop loop;
    QObject::connect(&job, &QKeychain::Job::finished, &loop, &QEventLoop::quit);
    job.start();
    loop.exec();
}

} // namespace

StoredSecret readSecret(const QString& key) {
    if (storeWithheld())
        return {};
    QKeychain::ReadPasswordJob job(kService);
    job.setKey(key);
    run(job);
    StoredSecret secret;
    secret.storeRuns = job.error() == QKeychain::NoError || job.error() == QKeychain::EntryNotFound;
    if (job.error() == QKeychain::NoError)
        secret.password = job.textData();
    return secret;
}

bool writeSecret(const QString& key, const QString& password) {
    if (storeWithheld())
        return false;
    QKeychain::WritePasswordJob job(kService);
    job.setKey(key);
    job.setTextData(password);
    run(job);
    return job.error() == QKeychain::NoError;
}

} // namespace platform
