#include "BefehlsHilfen.h"

#include "NotizenBefehl.h"

#include <QFileInfo>

namespace pinwick {

void BefehlAufruf(const QString& text) {
    throw BefehlsFehler{StatusAufruf, text};
}

void BefehlScheitern(const QString& text) {
    throw BefehlsFehler{StatusFehler, text};
}

namespace {

[[noreturn]] void besetzt(const QString& pfad, int warteMs) {
    BefehlScheitern(QStringLiteral("%1 is locked by another program; gave up after %2 ms")
                        .arg(pfad)
                        .arg(warteMs));
}

} // namespace

std::unique_ptr<Datenbank> NotizdateiOeffnen(const QString& pfad, int warteMs) {
    const QFileInfo info(pfad);
    if (!info.exists())
        BefehlScheitern(QStringLiteral("%1: no such notes file (the ticker makes its own at its "
                                       "first start; another one is given with --file)")
                            .arg(pfad));
    if (!info.isFile())
        BefehlScheitern(QStringLiteral("%1: not a file").arg(pfad));
    try {
        auto db = std::make_unique<Datenbank>(pfad, Datenbank::Zugriff::LesenUndSchreiben, warteMs);
        db->SchemaPruefen();
        return db;
    } catch (const BesetztFehler&) {
        besetzt(pfad, warteMs);
    } catch (const std::exception& f) {
        BefehlScheitern(QStringLiteral("%1: not a notes file (%2)")
                            .arg(pfad, QString::fromStdString(f.what())));
    }
}

void BefehlGeschuetzt(const QString& pfad, int warteMs, const std::function<void()>& f) {
    try {
        f();
    } catch (const BefehlsFehler&) {
        throw;
    } catch (const BesetztFehler&) {
        besetzt(pfad, warteMs);
    } catch (const std::exception& e) {
        BefehlScheitern(QStringLiteral("%1: %2").arg(pfad, QString::fromStdString(e.what())));
    }
}

std::optional<QString> EinmaligerWert(const QCommandLineParser& parser,
                                      const QCommandLineOption& option) {
    qsizetype mal = 0;
    for (const QString& name : parser.optionNames())
        mal += option.names().contains(name);
    if (mal > 1)
        BefehlAufruf(QStringLiteral("--%1 given twice").arg(option.names().constLast()));
    if (mal == 0)
        return std::nullopt;
    return parser.value(option);
}

} // namespace pinwick
