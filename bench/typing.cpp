#include "typing.h"

#include "mainwindow/zuzovi2.h"
#include "platform/cpedit.h"
#include "platform/qtservices.h"
#include "platform/text.h"

#include <QApplication>
#include <QKeyEvent>
#include <QString>
#include <chrono>
#include <ctime>
#include <memory>
#include <stdexcept>
#include <unistd.h>

namespace bench {

namespace {

// Nobody at the screen: a question would be a fault of the set-up, so it is kept and reported.
class QuietPrompter : public platform::Prompter {
  public:
    int messageDialog(const QString& text, Icon, int buttons) override {
        return keep(text, buttons);
    }
    int messageBox(const QString& text, const QString&, Icon, int buttons) override {
        return keep(text, buttons);
    }
    void showMessage(const QString& text) override { keep(text, OK); }
    QString asked;

  private:
    int keep(const QString& text, int buttons) {
        asked = text;
        return buttons & Yes ? Yes : OK;
    }
};

double threadSeconds() {
    timespec now{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

QApplication& application() {
    static int argc = 1;
    static char name[] = "bench_suite";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        return new QApplication(argc, argv);
    }();
    return *app;
}

} // namespace

struct TypingWindow::Parts {
    platform::QtServices real;
    QuietPrompter quiet;
    std::unique_ptr<TForm1> window;
};

TypingWindow::TypingWindow(const fs::path& folder) : parts_(new Parts) {
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString((folder / "config").string()));
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) { // else Qt warns on the terminal
        const fs::path runtime = folder / "runtime";
        fs::create_directories(runtime);
        fs::permissions(runtime, fs::perms::owner_all, fs::perm_options::replace);
        qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(runtime.string()));
    }
    application();
    // A start after the first: no greeting.
    parts_->real.instance.createKey();
    parts_->real.instance.writeValue("ifttyuag", 0);
    parts_->real.instance.writeValue("isruning", 0);
    platform::Services services = parts_->real.services();
    services.prompter = &parts_->quiet;
    parts_->window =
        std::make_unique<TForm1>(services, QString::fromStdString(folder.string() + "/"));
    if (!parts_->quiet.asked.isEmpty())
        throw std::runtime_error("the window asked: " + parts_->quiet.asked.toStdString());
}

TypingWindow::~TypingWindow() {
    parts_->window->close();
    parts_->window.reset();
    delete parts_;
}

std::vector<TypingWindow::Key> TypingWindow::type(const std::string& text, int pauseMs,
                                                  double* longestWait) {
    TForm1& w = *parts_->window;
    w.cuadro1->clear();
    w.cuadro2->clear();
    w.cuadro1->setFocus();
    std::vector<Key> seconds;
    if (longestWait)
        *longestWait = 0;
    const auto pause = [&] {
        using Clock = std::chrono::steady_clock;
        const auto until = Clock::now() + std::chrono::milliseconds(pauseMs);
        for (auto now = Clock::now(); now < until; now = Clock::now()) {
            QApplication::processEvents();
            const double busy = std::chrono::duration<double>(Clock::now() - now).count();
            if (longestWait && busy > *longestWait)
                *longestWait = busy;
            if (busy < 1e-4) // nothing to do: as an idle loop, sleep until the next event
                ::usleep(1000);
        }
    };
    bool first = true;
    for (const QChar c : platform::toQ(text)) {
        if (!first && pauseMs > 0)
            pause();
        first = false;
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
        const double cpu = threadSeconds();
        const auto start = std::chrono::steady_clock::now();
        QApplication::sendEvent(w.cuadro1, &press);
        const auto end = std::chrono::steady_clock::now();
        seconds.push_back(
            {std::chrono::duration<double>(end - start).count(), threadSeconds() - cpu});
        QApplication::sendEvent(w.cuadro1, &release);
    }
    if (!parts_->quiet.asked.isEmpty())
        throw std::runtime_error("the window asked: " + parts_->quiet.asked.toStdString());
    return seconds;
}

std::int64_t TypingWindow::shown() const {
    return parts_->window->getcurrentview();
}

bool TypingWindow::found() const {
    return parts_->window->continuing();
}

} // namespace bench
