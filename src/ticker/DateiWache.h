#pragma once
// Notices when another program writes the bar's own notes file (pinwick-notes,
// a script, the sqlcipher shell), so the bar shows the change at once
// instead of at its next restart.
//
// A watch, not a poll: nothing runs until the file system reports a change.
// The file itself is watched for writes, its folder for the journal coming
// and going and for a file replaced under the same name, which drops the
// watch on the old file; the folder's other files (marker and update files
// the bar writes itself) are told apart by the file's size, time and node.

#include "Programm.h"

#include <QFileSystemWatcher>
#include <QObject>
#include <QString>
#include <array>

namespace pinwick {

class DateiWache : public QObject {
    Q_OBJECT
public:
    explicit DateiWache(QObject* eltern = nullptr);
    // Watches pfad from now on; an empty path watches nothing.
    void Beobachten(const QString& pfad);

signals:
    // The file, its journal or the file under its name changed.
    void geaendert();

private:
    void ordnerGeaendert();
    void dateiGeaendert();
    void dateiWiederBeobachten();
    std::array<DateiStand, 3> staende() const;

    QFileSystemWatcher waechter_;
    QString pfad_;
    std::array<DateiStand, 3> stand_;
};

} // namespace pinwick
