#pragma once
// What the subcommands of pinwick-notes share: how a failure is told, how
// the notes file is opened and how store errors are put into words, and
// options that may be given once only.

#include "Datenbank.h"

#include <QCommandLineParser>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

namespace pinwick {

// Why a command failed: the exit status (a NotizenStatus) and the one line
// for stderr.
struct BefehlsFehler {
    int status;
    QString text;
};

[[noreturn]] void BefehlAufruf(const QString& text);    // a usage error
[[noreturn]] void BefehlScheitern(const QString& text); // any other failure

// The notes file at `pfad`, opened for reading and writing and checked to
// be one; a missing file, a folder, a locked or a foreign file is a
// BefehlsFehler that names the path.
std::unique_ptr<Datenbank> NotizdateiOeffnen(const QString& pfad, int warteMs);

// Runs `f`; an error of the store becomes a BefehlsFehler naming the file
// (a lock held too long, or the store's own reason). A BefehlsFehler goes
// through as it is.
void BefehlGeschuetzt(const QString& pfad, int warteMs, const std::function<void()>& f);

// The value of an option that may be given once; nothing when it was not
// given, a usage error when it was given twice (under any of its names).
std::optional<QString> EinmaligerWert(const QCommandLineParser& parser,
                                      const QCommandLineOption& option);

} // namespace pinwick
