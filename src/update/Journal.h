#pragma once
// The installer's journal: every change an update makes to the program
// folder is written down before it is made, in a small file in that folder,
// so that an installer cut off at any moment (killed, power gone) leaves a
// folder that the next start of the installer or of the ticker puts right
// before anything else runs: wholly the old version or wholly the new one,
// and no hidden copies or download folders left behind.
//
// The course of an update, as the journal sees it:
//   laden     the download folder exists; the program folder is unchanged
//   kopieren  the new files are being copied beside their places as
//             ".pwi-neu-<n>"; the program folder's files are unchanged
//   tauschen  every copy is complete; each old file is kept as
//             ".pwi-alt-<n>" (a second link, so the name never goes
//             missing) and the copy is renamed over it
//   fertig    every new file is in place; the kept old files go
//   zurueck   a copy could not be renamed into place: the files replaced so
//             far are being put back
// A journal in "laden", "kopieren" or "zurueck" is undone, one in "tauschen"
// is finished (all copies are there), one in "fertig" only tidied.

#include <QDir>
#include <QString>
#include <functional>
#include <optional>
#include <vector>

namespace pinwick {

class UpdateJournal {
public:
    static constexpr const char* Datei = ".pwi-journal";
    // Held by the installer while it updates: a ticker started meanwhile
    // leaves its journal alone. A lock left by a killed installer is stale
    // and taken over.
    static constexpr const char* Sperre = ".pwi-journal.lock";

    enum class Phase { Laden, Kopieren, Tauschen, Fertig, Zurueck };
    struct Eintrag {
        QString ziel;        // the file's final name in the program folder
        bool vorher = false; // whether a file of that name was there before
    };
    struct Stand {
        Phase phase = Phase::Laden;
        QString download;
        std::vector<Eintrag> eintraege;
    };

    explicit UpdateJournal(const QDir& ordner) : ordner_(ordner) {}

    // Writes the journal whole (a new file renamed over the old one, flushed
    // to the disk first). False when the program folder cannot be written.
    bool Schreiben(const Stand& stand) const;
    std::optional<Stand> Lesen() const;
    bool Vorhanden() const;
    void Entfernen() const;

    // The hidden names of entry n: the new copy, and the old file kept.
    QString Neu(size_t n) const;
    QString Alt(size_t n) const;

    // Puts every copy in place. Called at each step, for the tests that cut
    // the installer off there.
    std::function<void(const char* schritt)> schritt;
    // From "kopieren" on: keeps each old file and renames each copy over it;
    // when one cannot be renamed, puts back what was replaced. The journal is
    // left in "fertig" or (after putting back) removed. False, with
    // `fehler`, when the old files are back.
    bool Tauschen(Stand& stand, QString* fehler);
    // Removes the kept old files, the copies and the download folder (only
    // while it is still the user's own: EigenerOrdner.h), then the journal.
    void Aufraeumen(const Stand& stand) const;
    // Undoes the changes of an update: old files back, new ones out.
    void Zuruecknehmen(const Stand& stand) const;
    // Notes "zurueck" in the journal, then undoes and tidies: for a swap
    // that cannot go on.
    void Aufgeben(Stand& stand) const;

private:
    void melden(const char* was) const {
        if (schritt)
            schritt(was);
    }
    QDir ordner_;
};

// At the start of the installer and of the ticker: finishes or undoes an
// update that was cut off, and removes what it left behind (hidden copies,
// its download folder). Returns a line for the log when it did something.
// Nothing happens while a running installer holds the lock.
QString UpdateNachholen(const QDir& ordner);

} // namespace pinwick
