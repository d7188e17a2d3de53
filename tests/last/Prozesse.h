#pragma once
// Child processes for the load and crash programs: each program starts
// copies of itself in another role. Linux only, like the programs' tests.

#include <QString>
#include <QStringList>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace pinwick::last {

// Starts this program again with the given arguments. With ausgabe >= 0 the
// child's standard output goes to that descriptor. Returns the child's id;
// exits the program when the start fails.
inline pid_t SelbstStarten(const QStringList& argumente, int ausgabe = -1, int schliessen = -1) {
    std::vector<std::string> texte{"/proc/self/exe"};
    for (const QString& a : argumente)
        texte.push_back(a.toStdString());
    std::vector<char*> argv;
    for (std::string& t : texte)
        argv.push_back(t.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t aktionen;
    posix_spawn_file_actions_init(&aktionen);
    if (ausgabe >= 0)
        posix_spawn_file_actions_adddup2(&aktionen, ausgabe, STDOUT_FILENO);
    if (schliessen >= 0)
        posix_spawn_file_actions_addclose(&aktionen, schliessen);
    pid_t kind = 0;
    const int rc = posix_spawn(&kind, "/proc/self/exe", &aktionen, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&aktionen);
    if (rc != 0) {
        std::fprintf(stderr, "cannot start a child process (%d)\n", rc);
        std::exit(2);
    }
    return kind;
}

// Waits for a child; its exit code, or 128 + the signal that ended it.
inline int Abwarten(pid_t kind) {
    int status = 0;
    while (waitpid(kind, &status, 0) < 0) {
    }
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    return 128 + (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
}

// Wall-clock milliseconds, the same in every process: the children get the
// moment to stop as a number.
inline qint64 JetztMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

} // namespace pinwick::last
