// The one main of the window tests: a QApplication on the offscreen platform.
#include "platform/qtservices.h"

#include <QApplication>
#include <cstdio>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

// The other instance of the instance lock test: holds the lock until it is killed.
int holdInstanceLock(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    platform::QtInstanceStore store;
    if (!store.claimInstance())
        return 1;
    std::puts("held");
    std::fflush(stdout);
    for (;;)
        pause();
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::string(argv[1]) == "--hold-instance-lock")
        return holdInstanceLock(argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Q_INIT_RESOURCE(resources);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
