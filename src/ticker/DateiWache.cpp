#include "DateiWache.h"

#include "Speicher.h"

#include <QFileInfo>

namespace pinwick {

DateiWache::DateiWache(QObject* eltern) : QObject(eltern) {
    connect(&waechter_, &QFileSystemWatcher::fileChanged, this, &DateiWache::dateiGeaendert);
    connect(&waechter_, &QFileSystemWatcher::directoryChanged, this, &DateiWache::ordnerGeaendert);
}

void DateiWache::Beobachten(const QString& pfad) {
    if (!waechter_.files().isEmpty())
        waechter_.removePaths(waechter_.files());
    if (!waechter_.directories().isEmpty())
        waechter_.removePaths(waechter_.directories());
    pfad_ = pfad;
    if (pfad_.isEmpty())
        return;
    waechter_.addPath(QFileInfo(pfad_).absolutePath());
    dateiWiederBeobachten();
    stand_ = staende();
}

std::array<DateiStand, 3> DateiWache::staende() const {
    // SQLite writes beside the file: a rollback journal, or a write-ahead log.
    return {DateiStandLesen(pfad_), DateiStandLesen(pfad_ + QStringLiteral("-journal")),
            DateiStandLesen(pfad_ + QStringLiteral("-wal"))};
}

void DateiWache::dateiWiederBeobachten() {
    // A watch belongs to the file, not its name: after a rename over it or a
    // delete and re-create, the new file has to be watched anew.
    if (!waechter_.files().contains(pfad_) && QFileInfo(pfad_).isFile())
        waechter_.addPath(pfad_);
}

void DateiWache::dateiGeaendert() {
    dateiWiederBeobachten();
    stand_ = staende();
    emit geaendert();
}

void DateiWache::ordnerGeaendert() {
    dateiWiederBeobachten();
    const auto neu = staende();
    if (neu == stand_)
        return;
    stand_ = neu;
    emit geaendert();
}

} // namespace pinwick
