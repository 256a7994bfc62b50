// Fakes of the desktop seams: they record every call and answer from queues.
#pragma once

#include "platform/services.h"

#include <QDialog>
#include <QFont>
#include <QStringList>
#include <deque>
#include <functional>
#include <map>
#include <ostream>
#include <vector>

// Readable QString values in test failures.
QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}
QT_END_NAMESPACE

namespace testsupport {

struct Message {
    enum class Form { Dialog, Box, Plain } form;
    QString text;
    QString title;
    platform::Prompter::Icon icon;
    int buttons;
};

class FakePrompter : public platform::Prompter {
  public:
    std::vector<Message> messages;
    // Answers in order; when the queue is empty a question is answered by its first button
    // in the order Yes, OK, No.
    std::deque<int> answers;

    int messageDialog(const QString& text, Icon icon, int buttons) override {
        messages.push_back({Message::Form::Dialog, text, {}, icon, buttons});
        return answer(buttons);
    }
    int messageBox(const QString& text, const QString& title, Icon icon, int buttons) override {
        messages.push_back({Message::Form::Box, text, title, icon, buttons});
        return answer(buttons);
    }
    void showMessage(const QString& text) override {
        messages.push_back({Message::Form::Plain, text, {}, Icon::None, OK});
    }
    QStringList texts() const {
        QStringList out;
        for (const auto& m : messages)
            out << m.text;
        return out;
    }

  private:
    int answer(int buttons) {
        if (!answers.empty()) {
            int a = answers.front();
            answers.pop_front();
            return a;
        }
        for (int b : {Yes, OK, No})
            if (buttons & b)
                return b;
        return 0;
    }
};

class FakeFileDialogs : public platform::FileDialogs {
  public:
    std::deque<std::optional<QString>> openAnswers, saveAnswers;
    std::vector<State> openRuns, saveRuns; // the state each run was shown with

    std::optional<QString> runOpen(QWidget*) override { return run(open, openRuns, openAnswers); }
    std::optional<QString> runSave(QWidget*) override { return run(save, saveRuns, saveAnswers); }

  private:
    static std::optional<QString> run(State& state, std::vector<State>& runs,
                                      std::deque<std::optional<QString>>& answers) {
        runs.push_back(state);
        if (answers.empty())
            return std::nullopt;
        auto answer = answers.front();
        answers.pop_front();
        if (answer)
            state.fileName = *answer;
        return answer;
    }
};

// Shows the dialog (so that its show handler runs), lets the test drive it, then closes it.
class FakeModalRunner : public platform::ModalRunner {
  public:
    std::function<void(QDialog*)> drive;
    int shown = 0;

    int exec(QDialog* dialog) override {
        ++shown;
        dialog->show();
        if (drive)
            drive(dialog);
        int result = dialog->result();
        dialog->hide();
        return result;
    }
};

class FakeShell : public platform::Shell {
  public:
    std::vector<QUrl> opened;
    bool accept = true; // false: the desktop has no program for the URL
    bool openUrl(const QUrl& url) override {
        opened.push_back(url);
        return accept;
    }
};

class FakeTelephony : public platform::Telephony {
  public:
    struct Call {
        QString destination, appName, calledParty, comment;
    };
    std::vector<Call> calls;
    bool accept = true;
    bool requestMakeCall(const QString& destination, const QString& appName,
                         const QString& calledParty, const QString& comment) override {
        calls.push_back({destination, appName, calledParty, comment});
        return accept;
    }
};

class FakeInstanceStore : public platform::InstanceStore {
  public:
    bool exists = false;
    std::map<QString, int> values;
    std::vector<std::pair<QString, int>> writes;
    bool failWrites = false;
    // Whether the lock of a running instance is free; when it is not, a set flag is believed.
    bool lockFree = false;

    bool keyExists() override { return exists; }
    void createKey() override { exists = true; }
    bool hasValue(const QString& name) override { return values.count(name) > 0; }
    int readValue(const QString& name) override { return values.count(name) ? values[name] : 0; }
    void writeValue(const QString& name, int value) override;
    bool claimInstance() override { return lockFree; }
};

class FakeTextViewer : public platform::TextViewer {
  public:
    std::vector<QString> shown;
    bool accept = true;
    bool showTextFile(const QString& path) override {
        shown.push_back(path);
        return accept;
    }
};

// Cancels both dialogs unless told otherwise; keeps every job's text and font.
class FakePrintService : public platform::PrintService {
  public:
    std::deque<std::optional<Choice>> printerAnswers;
    std::deque<std::optional<QFont>> fontAnswers;
    int printerRuns = 0;
    std::vector<QFont> fontRuns; // the font each font dialog opened with
    struct Job {
        QString text;
        QFont font;
    };
    std::vector<Job> jobs;

    std::optional<Choice> choosePrinter(QWidget*) override {
        ++printerRuns;
        return next(printerAnswers);
    }
    void printText(const QString& text, const QFont& font) override {
        jobs.push_back({text, font});
    }
    std::optional<QFont> chooseFont(const QFont& current, QWidget*) override {
        fontRuns.push_back(current);
        return next(fontAnswers);
    }

  private:
    template <class T> static std::optional<T> next(std::deque<std::optional<T>>& answers) {
        if (answers.empty())
            return std::nullopt;
        auto a = answers.front();
        answers.pop_front();
        return a;
    }
};

struct FakeServices {
    FakePrompter prompter;
    FakeFileDialogs fileDialogs;
    FakeModalRunner modal;
    FakeShell shell;
    FakeInstanceStore instance;
    FakeTelephony telephony;
    FakeTextViewer viewer;
    FakePrintService printing;

    FakeServices();
    platform::Services services() {
        return platform::Services{&prompter, &fileDialogs, &modal,  &shell,
                                  &instance, &telephony,   &viewer, &printing};
    }
};

} // namespace testsupport
