// The seams between the program and the desktop. The main window receives one Services and
// hands it to the windows it creates; tests hand in fakes that record every call.
#pragma once

#include <QString>
#include <QUrl>
#include <optional>

class QDialog;
class QFont;
class QWidget;

namespace platform {

// The three message forms of the program.
class Prompter {
  public:
    enum class Icon { None, Information, Warning, Error, Confirmation };
    enum Button { Yes = 1, No = 2, OK = 4, Cancel = 8 };

    virtual ~Prompter() = default;
    // A message dialog with an icon kind and a set of buttons; returns the button pressed
    // (0 when the dialog was closed without one).
    virtual int messageDialog(const QString& text, Icon icon, int buttons) = 0;
    // An application message box with its own title, an icon and buttons (OK alone mostly).
    virtual int messageBox(const QString& text, const QString& title, Icon icon = Icon::None,
                           int buttons = OK) = 0;
    // A plain message with the program's title and an OK button.
    virtual void showMessage(const QString& text) = 0;
};

// The shared open and save dialogs of data files. The filters use the "description|pattern|..."
// form; commands change titles and filters and never restore them.
class FileDialogs {
  public:
    struct State {
        QString title;
        QString filter;
        QString fileName;
        QString defaultExt;
    };
    virtual ~FileDialogs() = default;
    State open;
    State save;
    // Runs the dialog with its current state; the chosen full name or nothing.
    virtual std::optional<QString> runOpen(QWidget* owner) = 0;
    virtual std::optional<QString> runSave(QWidget* owner) = 0;
};

// Shows a modal window. The real one runs exec(); the fake lets a test drive the window.
class ModalRunner {
  public:
    virtual ~ModalRunner() = default;
    virtual int exec(QDialog* dialog) = 0;
};

// Hands a URL to the desktop's default handler (browser, mail client, file viewer).
class Shell {
  public:
    virtual ~Shell() = default;
    virtual bool openUrl(const QUrl& url) = 0;
};

// Hands a call request to the desktop's call manager, which places and ends the call itself.
class Telephony {
  public:
    virtual ~Telephony() = default;
    // One request; false when the desktop took it nowhere (no program dials for it).
    virtual bool requestMakeCall(const QString& destination, const QString& appName,
                                 const QString& calledParty, const QString& comment) = 0;
};

// The key that holds the single-instance flag and the first-run marker.
class InstanceStore {
  public:
    virtual ~InstanceStore() = default;
    virtual bool keyExists() = 0;
    virtual void createKey() = 0;
    virtual bool hasValue(const QString& name) = 0;
    // Non-zero reads as true.
    virtual int readValue(const QString& name) = 0;
    // Throws core::IoError naming the value when it cannot be written.
    virtual void writeValue(const QString& name, int value) = 0;
    // Takes the lock that a running instance holds for its whole life. False while another
    // running instance holds it (or when it cannot be taken at all); a flag left by an
    // instance that ended without closing comes without its lock.
    virtual bool claimInstance() = 0;
};

// Shows a text file with the desktop's viewer for it.
class TextViewer {
  public:
    virtual ~TextViewer() = default;
    // false when no program could be started for it.
    virtual bool showTextFile(const QString& path) = 0;
};

// The print and font dialogs and the print job.
class PrintService {
  public:
    struct Choice {
        int copies = 1;
        bool collate = false;
    };
    virtual ~PrintService() = default;
    // The print dialog; the copies and collation asked for, nothing when cancelled. The job
    // itself prints one copy: the caller repeats the text for more.
    virtual std::optional<Choice> choosePrinter(QWidget* owner) = 0;
    // One job on the printer chosen last. Throws core::IoError when the job fails.
    virtual void printText(const QString& text, const QFont& font) = 0;
    // The font dialog opened with `current`; the chosen font, nothing when cancelled.
    virtual std::optional<QFont> chooseFont(const QFont& current, QWidget* owner) = 0;
};

struct Services {
    Prompter* prompter = nullptr;
    FileDialogs* fileDialogs = nullptr;
    ModalRunner* modal = nullptr;
    Shell* shell = nullptr;
    InstanceStore* instance = nullptr;
    Telephony* telephony = nullptr;
    TextViewer* viewer = nullptr;
    PrintService* printing = nullptr;
};

} // namespace platform
