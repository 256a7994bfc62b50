// A real CardDAV server for the sync tests: Debian's radicale on 127.0.0.1, on a free port, with
// its storage in a temporary folder and one test user. Tests skip, saying why, only where the
// server is not installed or does not start.
#pragma once

#include "support/tempdir.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>
#include <QUrl>
#include <arpa/inet.h>
#include <memory>
#include <netinet/in.h>
#include <random>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

namespace testsupport {

class Radicale {
  public:
    static constexpr const char* kUser = "ana";
    static constexpr const char* kPassword = "clave-de-prueba";

    // Starts the server; why() says what went wrong when running() is false.
    Radicale() {
        const QString program = QStandardPaths::findExecutable("radicale");
        if (program.isEmpty()) {
            why_ = "radicale is not installed (Debian package radicale)";
            return;
        }
        port_ = freePort();
        writeBytes(dir_ / "users", std::string(kUser) + ":" + kPassword + "\n");
        const std::string config =
            "[server]\nhosts = 127.0.0.1:" + std::to_string(port_) +
            "\n[auth]\ntype = htpasswd\nhtpasswd_filename = " + (dir_ / "users").string() +
            "\nhtpasswd_encryption = plain\ndelay = 0\n"
            "[rights]\ntype = owner_only\n"
            "[storage]\nfilesystem_folder = " +
            (dir_ / "collections").string() + "\n[web]\ntype = none\n[logging]\nlevel = error\n";
        writeBytes(dir_ / "config", config);
        process_ = std::make_unique<QProcess>();
        process_->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_->start(program, {"--config", QString::fromStdString((dir_ / "config").string())});
        if (!process_->waitForStarted(5000)) {
            why_ = "radicale did not start: " + process_->errorString().toStdString();
            return;
        }
        const QDeadlineTimer deadline(15000);
        while (!deadline.hasExpired() && process_->state() == QProcess::Running) {
            if (answers(port_)) {
                running_ = true;
                return;
            }
            QThread::msleep(50);
        }
        why_ = "radicale did not answer on 127.0.0.1:" + std::to_string(port_);
    }
    ~Radicale() {
        if (process_) {
            process_->terminate();
            if (!process_->waitForFinished(3000))
                process_->kill();
            process_->waitForFinished(3000);
        }
    }
    Radicale(const Radicale&) = delete;
    Radicale& operator=(const Radicale&) = delete;

    bool running() const { return running_; }
    const std::string& why() const { return why_; }
    QString server() const { return QString("http://127.0.0.1:%1/").arg(port_); }
    // The address of one of the test user's address books.
    QUrl collection(const QString& name) const { return QUrl(server() + kUser + "/" + name + "/"); }

    // A port nobody listens on (for "server down") or that the server can take.
    static quint16 freePort() {
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address = loopback(0);
        socklen_t length = sizeof address;
        ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
        ::close(fd);
        return ntohs(address.sin_port);
    }

  private:
    // The server flushes every card it stores; in memory that costs nothing, and the folder
    // is thrown away anyway.
    static std::filesystem::path storageBase() {
        const std::filesystem::path memory = "/dev/shm";
        std::error_code ec;
        return std::filesystem::is_directory(memory, ec) && ::access("/dev/shm", W_OK) == 0
                   ? memory
                   : std::filesystem::temp_directory_path();
    }
    static sockaddr_in loopback(quint16 port) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        return address;
    }
    static bool answers(quint16 port) {
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        const sockaddr_in address = loopback(port);
        const bool connected =
            ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
        ::close(fd);
        return connected;
    }

    // Its own folder, not a TempDir: it lives where storageBase() says.
    struct Folder {
        std::filesystem::path path;
        Folder() {
            std::random_device rd;
            path = storageBase() / ("tevo-radicale-" + std::to_string(rd()) + std::to_string(rd()));
            std::filesystem::create_directories(path);
        }
        ~Folder() {
            std::error_code ec;
            std::filesystem::remove_all(path, ec);
        }
        std::filesystem::path operator/(const std::string& name) const { return path / name; }
    } dir_;
    std::unique_ptr<QProcess> process_;
    quint16 port_ = 0;
    bool running_ = false;
    std::string why_;
};

} // namespace testsupport
