#include "platform/qtservices.h"

#include "core/ioerror.h"
#include "core/weblinks.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFontMetrics>
#include <QGridLayout>
#include <QLockFile>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QSpacerItem>
#include <QStandardPaths>
#include <cerrno>

namespace platform {

namespace {

QMessageBox::Icon toQtIcon(Prompter::Icon icon) {
    switch (icon) {
    case Prompter::Icon::Information:
        return QMessageBox::Information;
    case Prompter::Icon::Warning:
        return QMessageBox::Warning;
    case Prompter::Icon::Error:
        return QMessageBox::Critical;
    case Prompter::Icon::Confirmation:
        return QMessageBox::Question;
    case Prompter::Icon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

// Room a title bar takes beside its title: the icon and the close, minimise and maximise
// buttons of the common window managers, with their margins.
constexpr int kTitleBarExtra = 160;

// The buttons speak the program's language; the unattended log keeps the toolkit's names.
int run(const QString& title, const QString& text, Prompter::Icon icon, int buttons) {
    QMessageBox box(toQtIcon(icon), title, text, QMessageBox::NoButton,
                    QApplication::activeWindow());
    box.setTextFormat(Qt::PlainText); // names from records and files show as they are spelt
    // A box sized to a short text ("File not found") is narrower than its title, which the
    // window manager then cuts: keep room for the title and the frame's buttons.
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
        const int titleWidth =
            QFontMetrics(QApplication::font("QMdiSubWindowTitleBar")).horizontalAdvance(title) +
            kTitleBarExtra;
        grid->addItem(new QSpacerItem(titleWidth, 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
                      grid->rowCount(), 0, 1, grid->columnCount());
    }
    struct Pair {
        int ours;
        QMessageBox::ButtonRole role;
        const char* caption;
    };
    const Pair pairs[] = {{Prompter::Yes, QMessageBox::YesRole, "&Sí"},
                          {Prompter::No, QMessageBox::NoRole, "&No"},
                          {Prompter::OK, QMessageBox::AcceptRole, "Aceptar"},
                          {Prompter::Cancel, QMessageBox::RejectRole, "Cancelar"}};
    QPushButton* first = nullptr;
    std::vector<std::pair<QPushButton*, int>> made;
    for (const auto& p : pairs) {
        if (!(buttons & p.ours))
            continue;
        QPushButton* b = box.addButton(p.caption, p.role);
        made.emplace_back(b, p.ours);
        if (!first)
            first = b;
    }
    if (first)
        box.setDefaultButton(first);
    box.exec();
    for (const auto& [button, ours] : made)
        if (box.clickedButton() == button)
            return ours;
    return 0;
}

} // namespace

int QtPrompter::messageDialog(const QString& text, Icon icon, int buttons) {
    return run(kProgramTitle, text, icon, buttons);
}

int QtPrompter::messageBox(const QString& text, const QString& title, Icon icon, int buttons) {
    return run(title, text, icon, buttons);
}

void QtPrompter::showMessage(const QString& text) {
    run(kProgramTitle, text, Icon::None, OK);
}

QString toQtFilter(const QString& filter) {
    QStringList parts = filter.split('|');
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        // The dialog reads the patterns from the last brackets; a description that already
        // ends with them ("Contactos vCard (*.vcf)") is shown as it is.
        const QString patterns = "(" + QString(parts[i + 1]).replace(';', ' ') + ")";
        out << (parts[i].endsWith(patterns) ? parts[i] : parts[i] + " " + patterns);
    }
    return out.join(";;");
}

namespace {
std::optional<QString> runDialog(QWidget* owner, FileDialogs::State& state,
                                 QFileDialog::AcceptMode mode) {
    QFileDialog dialog(owner, state.title);
    dialog.setAcceptMode(mode);
    dialog.setOption(QFileDialog::ReadOnly, false);
    dialog.setNameFilter(toQtFilter(state.filter));
    QString ext = state.defaultExt;
    ext.remove("*.");
    dialog.setDefaultSuffix(ext);
    if (mode == QFileDialog::AcceptOpen) {
        dialog.setFileMode(QFileDialog::ExistingFile);
    } else {
        dialog.setFileMode(QFileDialog::AnyFile);
        if (!state.fileName.isEmpty() && !state.fileName.contains('*'))
            dialog.selectFile(state.fileName);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    state.fileName = dialog.selectedFiles().first();
    return state.fileName;
}
} // namespace

std::optional<QString> QtFileDialogs::runOpen(QWidget* owner) {
    return runDialog(owner, open, QFileDialog::AcceptOpen);
}

std::optional<QString> QtFileDialogs::runSave(QWidget* owner) {
    return runDialog(owner, save, QFileDialog::AcceptSave);
}

int QtModalRunner::exec(QDialog* dialog) {
    return dialog->exec();
}

bool QtShell::openUrl(const QUrl& url) {
    return QDesktopServices::openUrl(url);
}

bool QtTelephony::requestMakeCall(const QString& destination, const QString&, const QString&,
                                  const QString&) {
    QByteArray url = QByteArray::fromStdString(core::telUrl(destination.toStdString()));
    return QDesktopServices::openUrl(QUrl::fromEncoded(url, QUrl::StrictMode));
}

namespace {
QSettings store() {
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, "tevosoft", "zuzovi2");
}
} // namespace

QtInstanceStore::QtInstanceStore() = default;
QtInstanceStore::~QtInstanceStore() = default;

bool QtInstanceStore::keyExists() {
#ifdef Q_OS_WIN
    return !store().childKeys().isEmpty();
#else
    return QFile::exists(store().fileName());
#endif
}

void QtInstanceStore::createKey() {
    // The key comes into being with its first value; the callers write one at once.
}

bool QtInstanceStore::hasValue(const QString& name) {
    return store().contains(name);
}

int QtInstanceStore::readValue(const QString& name) {
    bool ok = false;
    int value = store().value(name).toInt(&ok);
    return ok ? value : 0;
}

void QtInstanceStore::writeValue(const QString& name, int value) {
    QSettings settings = store();
    settings.setValue(name, value);
    settings.sync();
    if (settings.status() != QSettings::NoError)
        throw core::IoError(EACCES, "Software\\tevosoft\\zuzovi2\\" + name.toStdString());
}

bool QtInstanceStore::claimInstance() {
    if (lock_ && lock_->isLocked())
        return true;
    QString dir =
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + "/tevosoft";
    QDir().mkpath(dir);
    lock_ = std::make_unique<QLockFile>(dir + "/zuzovi2.lock");
    // Only an owner that is gone makes the lock stale, never the time it has been held.
    lock_->setStaleLockTime(0);
    return lock_->tryLock(0);
}

} // namespace platform
