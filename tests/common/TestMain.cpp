#include <QApplication>
#include <QDir>
#include <QThread>
#include <gtest/gtest.h>

namespace {

int Faeden() {
    return static_cast<int>(QDir(QStringLiteral("/proc/self/task"))
                                .entryList(QDir::Dirs | QDir::NoDotAndDotDot)
                                .size());
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    int ergebnis = 0;
    {
        QApplication app(argc, argv);
        ::testing::InitGoogleTest(&argc, argv);
        ergebnis = RUN_ALL_TESTS();
    }
    // Qt paints large areas with worker threads of its own, which run
    // detached: the end of the application lets them finish, but the system
    // may still be taking one down when main returns. The leak check that
    // runs at exit in the sanitizer build would then stop that half-ended
    // thread and read its thread-local storage, already freed, and crash.
    // So the program ends only once it is alone (or after a second, should
    // some library keep a thread for good).
    for (int i = 0; i < 100 && Faeden() > 1; ++i)
        QThread::msleep(10);
    return ergebnis;
}
