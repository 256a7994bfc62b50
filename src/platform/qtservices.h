// The real implementations of the desktop seams.
#pragma once

#include "platform/qtprinting.h"
#include "platform/services.h"

#include <memory>

class QLockFile;
class QWidget;

namespace platform {

inline constexpr const char* kProgramTitle = "Tevo Riviva 2";

class QtPrompter : public Prompter {
  public:
    int messageDialog(const QString& text, Icon icon, int buttons) override;
    int messageBox(const QString& text, const QString& title, Icon icon, int buttons) override;
    void showMessage(const QString& text) override;
};

class QtFileDialogs : public FileDialogs {
  public:
    std::optional<QString> runOpen(QWidget* owner) override;
    std::optional<QString> runSave(QWidget* owner) override;
};

// "desc|pattern|desc|pattern" as a Qt name filter list "desc (pattern);;desc (pattern)".
QString toQtFilter(const QString& filter);

class QtModalRunner : public ModalRunner {
  public:
    int exec(QDialog* dialog) override;
};

class QtShell : public Shell {
  public:
    bool openUrl(const QUrl& url) override;
};

// The request goes to the handler of tel: URLs; only the destination travels with it.
class QtTelephony : public Telephony {
  public:
    bool requestMakeCall(const QString& destination, const QString& appName,
                         const QString& calledParty, const QString& comment) override;
};

// The key "tevosoft/zuzovi2" of the user's native settings store, and a lock file beside it
// in the user's configuration folder.
class QtInstanceStore : public InstanceStore {
  public:
    QtInstanceStore();
    ~QtInstanceStore() override;
    bool keyExists() override;
    void createKey() override;
    bool hasValue(const QString& name) override;
    int readValue(const QString& name) override;
    void writeValue(const QString& name, int value) override;
    bool claimInstance() override;

  private:
    std::unique_ptr<QLockFile> lock_;
};

// All real seams, owned together.
struct QtServices {
    QtPrompter prompter;
    QtFileDialogs fileDialogs;
    QtModalRunner modal;
    QtShell shell;
    QtInstanceStore instance;
    QtTelephony telephony;
    QtTextViewer viewer;
    QtPrintService printing;
    Services services() {
        return Services{&prompter, &fileDialogs, &modal,  &shell,
                        &instance, &telephony,   &viewer, &printing};
    }
};

} // namespace platform
