// "Archivo" > "Sincronizar": both working files with their address books on the CardDAV server
// of the preferences, one after the other, with a progress window that can be cancelled; the
// status bar says what was sent and received.
#include "core/datafile.h"
#include "core/fileio.h"
#include "core/inifile.h"
#include "core/sync.h"
#include "fileops/bsincro.h"
#include "mainwindow/zuzovi2.h"
#include "platform/carddav.h"
#include "platform/secrets.h"
#include "platform/text.h"
#include "records/escritura.h"

#include <QInputDialog>
#include <QLineEdit>
#include <QStatusBar>

using platform::Prompter;
using platform::toPath;
using platform::toQ;

namespace {

QString stepText(core::SyncStep step, const QString& book) {
    switch (step) {
    case core::SyncStep::Listing:
        return "Consultando el servidor (" + book + ") ...";
    case core::SyncStep::Fetching:
        return "Recibiendo contactos (" + book + ") ...";
    case core::SyncStep::Sending:
        return "Enviando contactos (" + book + ") ...";
    case core::SyncStep::Deleting:
        return "Eliminando contactos en el servidor (" + book + ") ...";
    case core::SyncStep::Writing:
        return "Guardando el archivo (" + book + ") ...";
    }
    return {};
}

QString errorText(const core::SyncError& e) {
    QString text = QString::fromStdString(e.what());
    if (e.kind() == core::SyncError::Kind::Auth)
        text += " Revise el usuario en Opciones > Preferencias > Sincronización; la contraseña "
                "se pedirá otra vez.";
    return text + "\nEl archivo y el servidor quedan como estaban antes de este paso; la "
                  "próxima sincronización termina lo que quede pendiente.";
}

struct Totals {
    std::int64_t sent = 0, received = 0;
    QStringList conflicts;
    core::CardLosses losses;
    std::int64_t postponed = 0, unreadable = 0;
    void add(const core::SyncReport& r) {
        sent += r.sentNew + r.sentChanged + r.sentDeleted;
        received += r.receivedNew + r.receivedChanged + r.receivedDeleted;
        for (const std::string& name : r.conflicts)
            conflicts << toQ(name);
        losses.cut += r.losses.cut;
        losses.replaced += r.losses.replaced;
        losses.emailsInNotes += r.losses.emailsInNotes;
        postponed += r.postponed;
        unreadable += r.unreadable;
    }
};

std::optional<QString> askPassword(QWidget* owner, const QString& account) {
    bool ok = false;
    const QString typed = QInputDialog::getText(
        owner, "Sincronizar", "Contraseña de " + account + ":", QLineEdit::Password, {}, &ok);
    if (!ok || typed.isEmpty())
        return std::nullopt;
    return typed;
}

} // namespace

void TForm1::rememberSyncPassword(const QString& key, const QString& password) {
    if (refusedPassword_ == key)
        refusedPassword_.clear();
    if (!platform::writeSecret(key, password))
        sessionPasswords_[key] = password;
}

std::optional<QString> TForm1::syncPassword(const QString& key) {
    if (refusedPassword_ != key) {
        if (sessionPasswords_.contains(key))
            return sessionPasswords_.value(key);
        const platform::StoredSecret stored = platform::readSecret(key);
        if (stored.password)
            return stored.password;
    }
    const std::optional<QString> typed =
        askSyncPassword ? askSyncPassword(key) : askPassword(this, key);
    if (!typed)
        return std::nullopt;
    rememberSyncPassword(key, *typed);
    return typed;
}

void TForm1::Sincronizar1Click() {
    core::IniFile ini(toPath(settingsPath()));
    const QString server = toQ(ini.readString("sinc", "servidor", "")).trimmed();
    const QString user = toQ(ini.readString("sinc", "usuario", "")).trimmed();
    const QString books[] = {toQ(ini.readString("sinc", "personas", "")).trimmed(),
                             toQ(ini.readString("sinc", "empresas", "")).trimmed()};
    if (server.isEmpty() || user.isEmpty() || (books[0].isEmpty() && books[1].isEmpty())) {
        services_.prompter->messageBox(
            "Para sincronizar, escriba la dirección del servidor de contactos (CardDAV), el "
            "usuario y las libretas de direcciones en Opciones > Preferencias > Sincronización.",
            "Sincronizar", Prompter::Icon::Information);
        return;
    }
    const QString account = user + "@" + server;
    const std::optional<QString> password = syncPassword(account);
    if (!password)
        return;

    const int savedWidth = width();
    Totals totals;
    bool changed = false;
    QString failure;
    {
        TForm10 progress(this);
        for (int i = 0; i < 2 && failure.isEmpty(); ++i) {
            const bool persons = i == 0;
            const QString file = persons ? rutap_ : rutae_;
            if (books[i].isEmpty())
                continue;
            if (core::fileio::exists(toPath(file)) &&
                !(persons ? core::esdepersonas(toPath(file)) : core::esdeempresas(toPath(file)))) {
                records::reportWrongKind(services_, persons);
                continue;
            }
            const QString name = persons ? "Personas" : "Empresas";
            platform::CardDavClient client(platform::CardDavClient::collectionUrl(server, books[i]),
                                           user, *password);
            client.setCancelled([&progress] { return progress.cancelled(); });
            try {
                const core::SyncReport report = core::synchronize(
                    toPath(file), persons, client,
                    [&](core::SyncStep step, std::int64_t done, std::int64_t total) {
                        progress.setStep(stepText(step, name), done, total);
                    });
                totals.add(report);
                changed |= report.receivedNew + report.receivedChanged + report.receivedDeleted > 0;
                records::reportRewriteFailure(services_, file, report.failure,
                                              persons ? core::kTagPerson : core::kTagCompany);
            } catch (const core::SyncError& e) {
                if (e.kind() == core::SyncError::Kind::Auth)
                    refusedPassword_ = account;
                failure =
                    e.kind() == core::SyncError::Kind::Cancelled ? QString("-") : errorText(e);
            }
        }
    }
    if (changed)
        refreshAfterChange(savedWidth);
    if (failure == "-") {
        statusBar()->showMessage(
            "Sincronización cancelada. Enviados: " + QString::number(totals.sent) +
            ", recibidos: " + QString::number(totals.received) + ".");
        return;
    }
    if (!failure.isEmpty()) {
        services_.prompter->messageBox(failure, "Error al sincronizar", Prompter::Icon::Error);
        return;
    }
    statusBar()->showMessage(QString("Sincronización terminada. Enviados: %1, recibidos: %2, "
                                     "conflictos: %3.")
                                 .arg(totals.sent)
                                 .arg(totals.received)
                                 .arg(totals.conflicts.size()));
    if (totals.conflicts.isEmpty() && totals.losses.cut + totals.losses.replaced == 0 &&
        totals.postponed + totals.unreadable == 0)
        return;
    QStringList lines;
    if (!totals.conflicts.isEmpty())
        lines << "Contactos cambiados aquí y en el servidor (se conservaron ambas versiones, "
                 "revíselos): " +
                     totals.conflicts.join(", ");
    if (totals.losses.cut > 0)
        lines << QString("Textos recortados al largo de su campo: %1").arg(totals.losses.cut);
    if (totals.losses.replaced > 0)
        lines << QString("Caracteres reemplazados por \"?\" (no existen en el archivo): %1")
                     .arg(totals.losses.replaced);
    if (totals.postponed > 0)
        lines << QString("Contactos cambiados en el servidor durante la sincronización (quedan "
                         "para la próxima): %1")
                     .arg(totals.postponed);
    if (totals.unreadable > 0)
        lines << QString("Contactos del servidor que no son vCard (no se recibieron): %1")
                     .arg(totals.unreadable);
    services_.prompter->messageBox(lines.join("\n"), "Sincronizar", Prompter::Icon::Information);
}
