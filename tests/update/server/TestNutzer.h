#pragma once
// Local users for the tests in which a second user matters: a victim whose
// files must survive, and somebody else ("nobody") who prepared the places
// the victim's programs use. The tests run as the superuser; a test switches
// its process to one of them (real and effective ids, the saved id staying
// the superuser's so that it can switch back) for as long as a step takes.

#include <QProcess>
#include <QString>
#include <grp.h>
#include <optional>
#include <pwd.h>
#include <sys/types.h>
#include <unistd.h>

namespace pinwick::test {

struct TestNutzer {
    uid_t uid = 0;
    gid_t gid = 0;
};

// The user `name`; made as a system user without home folder or login when
// missing. Empty when this process is not the superuser or the user cannot
// be made.
inline std::optional<TestNutzer> Nutzer(const char* name) {
    if (::geteuid() != 0)
        return std::nullopt;
    const auto finden = [name]() -> std::optional<TestNutzer> {
        if (const passwd* pw = ::getpwnam(name))
            return TestNutzer{pw->pw_uid, pw->pw_gid};
        return std::nullopt;
    };
    if (auto n = finden())
        return n;
    // Another test process may make it at the same moment: looked up again
    // whatever useradd says.
    QProcess::execute(QStringLiteral("useradd"),
                      {QStringLiteral("--system"), QStringLiteral("--no-create-home"),
                       QStringLiteral("--shell"), QStringLiteral("/usr/sbin/nologin"),
                       QString::fromLatin1(name)});
    return finden();
}

// Runs `tun` as `n` and returns its result; the process is the superuser
// again afterwards.
template <class F>
auto Als(const TestNutzer& n, F&& tun) {
    struct Zurueck {
        ~Zurueck() {
            if (::setresuid(0, 0, 0) != 0 || ::setresgid(0, 0, 0) != 0 ||
                ::setgroups(0, nullptr) != 0)
                std::abort(); // a test that stays somebody else would mislead every later one
        }
    } zurueck;
    if (::setgroups(1, &n.gid) != 0 || ::setresgid(n.gid, n.gid, 0) != 0 ||
        ::setresuid(n.uid, n.uid, 0) != 0)
        std::abort();
    return tun();
}

} // namespace pinwick::test
