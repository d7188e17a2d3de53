#include "Journal.h"

#include "EigenerOrdner.h"
#include "Hilfen.h"

#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <filesystem>
#include <system_error>

namespace pinwick {

namespace {

std::filesystem::path FsPfad(const QString& pfad) {
    return std::filesystem::path(pfad.toStdU16String());
}

const char* PhasenName(UpdateJournal::Phase phase) {
    switch (phase) {
    case UpdateJournal::Phase::Laden:
        return "laden";
    case UpdateJournal::Phase::Kopieren:
        return "kopieren";
    case UpdateJournal::Phase::Tauschen:
        return "tauschen";
    case UpdateJournal::Phase::Fertig:
        return "fertig";
    case UpdateJournal::Phase::Zurueck:
        return "zurueck";
    }
    return "";
}

const QByteArray Kopf = "pwi-journal 1";

// A name the journal may hold: a plain file name of the program folder.
bool Schlicht(const QString& name) {
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..") &&
           !name.contains(u'/') && !name.contains(u'\\') && !name.contains(u'\n');
}

bool Umbenennen(const QString& von, const QString& nach) {
    std::error_code fehler;
    std::filesystem::rename(FsPfad(von), FsPfad(nach), fehler);
    return !fehler;
}

bool IstDatei(const QString& pfad) {
    const QFileInfo info(pfad);
    return info.isFile() && !info.isSymLink();
}

} // namespace

QString UpdateJournal::Neu(size_t n) const {
    return ordner_.filePath(QStringLiteral(".pwi-neu-%1").arg(n));
}

QString UpdateJournal::Alt(size_t n) const {
    return ordner_.filePath(QStringLiteral(".pwi-alt-%1").arg(n));
}

bool UpdateJournal::Vorhanden() const {
    return QFileInfo::exists(ordner_.filePath(QLatin1String(Datei)));
}

void UpdateJournal::Entfernen() const {
    QFile::remove(ordner_.filePath(QLatin1String(Datei)));
}

bool UpdateJournal::Schreiben(const Stand& stand) const {
    QByteArray text = Kopf + '\n';
    text += QByteArray("phase ") + PhasenName(stand.phase) + '\n';
    text += "download " + stand.download.toUtf8() + '\n';
    for (const Eintrag& e : stand.eintraege)
        text += QByteArray("datei ") + (e.vorher ? '1' : '0') + ' ' + e.ziel.toUtf8() + '\n';
    // Written beside the journal, flushed to the disk and renamed: a journal
    // is there whole or not at all.
    return DateiGanzSchreiben(ordner_.filePath(QLatin1String(Datei)), text).isEmpty();
}

std::optional<UpdateJournal::Stand> UpdateJournal::Lesen() const {
    QFile datei(ordner_.filePath(QLatin1String(Datei)));
    if (!IstDatei(datei.fileName()) || !datei.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QList<QByteArray> zeilen = datei.read(1 << 20).split('\n');
    if (zeilen.size() < 3 || zeilen[0] != Kopf)
        return std::nullopt;
    Stand stand;
    bool phase = false;
    for (qsizetype i = 1; i < zeilen.size(); ++i) {
        const QByteArray& z = zeilen[i];
        if (z.isEmpty())
            continue;
        if (z.startsWith("phase ")) {
            const QByteArray p = z.mid(6);
            for (Phase kandidat :
                 {Phase::Laden, Phase::Kopieren, Phase::Tauschen, Phase::Fertig, Phase::Zurueck}) {
                if (p == PhasenName(kandidat)) {
                    stand.phase = kandidat;
                    phase = true;
                }
            }
        } else if (z.startsWith("download ")) {
            stand.download = QString::fromUtf8(z.mid(9));
        } else if (z.startsWith("datei ") && z.size() > 8 && (z[6] == '0' || z[6] == '1') &&
                   z[7] == ' ') {
            const QString name = QString::fromUtf8(z.mid(8));
            if (!Schlicht(name))
                return std::nullopt;
            stand.eintraege.push_back({name, z[6] == '1'});
        } else {
            return std::nullopt;
        }
    }
    if (!phase)
        return std::nullopt;
    return stand;
}

bool UpdateJournal::Tauschen(Stand& stand, QString* fehler) {
    stand.phase = Phase::Tauschen;
    if (!Schreiben(stand)) {
        if (fehler)
            *fehler = QStringLiteral("the journal cannot be written");
        return false;
    }
    melden("tauschen");
    for (size_t i = 0; i < stand.eintraege.size(); ++i) {
        const QString ziel = ordner_.filePath(stand.eintraege[i].ziel);
        if (stand.eintraege[i].vorher) {
            // A second name for the old file: the program folder never
            // lacks the file, and the old one can still be put back.
            QFile::remove(Alt(i));
            std::error_code f;
            std::filesystem::create_hard_link(FsPfad(ziel), FsPfad(Alt(i)), f);
            if (f && !QFile::copy(ziel, Alt(i))) {
                if (fehler)
                    *fehler = QStringLiteral("%1 cannot be kept: %2")
                                  .arg(stand.eintraege[i].ziel, QString::fromStdString(f.message()));
                Aufgeben(stand);
                return false;
            }
            melden("alt");
        }
        if (!Umbenennen(Neu(i), ziel)) {
            if (fehler)
                *fehler = QStringLiteral("%1 cannot be replaced").arg(stand.eintraege[i].ziel);
            Aufgeben(stand);
            return false;
        }
        melden("neu");
    }
    stand.phase = Phase::Fertig;
    // Should this fail, the journal says "tauschen", and finishing it again
    // at the next start changes nothing: every copy is already in place.
    Schreiben(stand);
    melden("fertig");
    return true;
}

void UpdateJournal::Aufgeben(Stand& stand) const {
    // Written down first: cut off while putting back, the next start goes on
    // putting back, instead of finishing with the copies not yet removed and
    // leaving a mix of old and new files.
    stand.phase = Phase::Zurueck;
    Schreiben(stand);
    melden("zurueck");
    Zuruecknehmen(stand);
    Aufraeumen(stand);
}

void UpdateJournal::Zuruecknehmen(const Stand& stand) const {
    const bool getauscht = stand.phase == Phase::Tauschen || stand.phase == Phase::Fertig ||
                           stand.phase == Phase::Zurueck;
    for (size_t i = 0; i < stand.eintraege.size(); ++i) {
        if (QFileInfo::exists(Neu(i))) {
            QFile::remove(Neu(i));
            continue;
        }
        if (!getauscht)
            continue;
        // Replaced already: the old file goes back, or a file that was new
        // goes away.
        const QString ziel = ordner_.filePath(stand.eintraege[i].ziel);
        if (IstDatei(Alt(i)))
            Umbenennen(Alt(i), ziel);
        else if (!stand.eintraege[i].vorher && IstDatei(ziel))
            QFile::remove(ziel);
    }
}

void UpdateJournal::Aufraeumen(const Stand& stand) const {
    for (size_t i = 0; i < stand.eintraege.size(); ++i) {
        QFile::remove(Alt(i));
        QFile::remove(Neu(i));
    }
    melden("aufgeraeumt");
    // Only a folder the installer made: an absolute path to a "pwi-" folder,
    // and still the user's own. After a restart the folder may be gone and
    // its name taken by somebody else's folder, with links inside that lead
    // into this user's files: such a folder is left alone, and nothing on
    // the way down is followed.
    const QFileInfo download(stand.download);
    if (!stand.download.isEmpty() && download.isAbsolute() &&
        download.fileName().startsWith(QLatin1String("pwi-")))
        OrdnerEntfernen(stand.download);
    Entfernen();
}

QString UpdateNachholen(const QDir& ordner) {
    QLockFile sperre(ordner.filePath(QLatin1String(UpdateJournal::Sperre)));
    if (!sperre.tryLock(0))
        return {};
    UpdateJournal journal(ordner);
    QString bericht;
    if (journal.Vorhanden()) {
        const std::optional<UpdateJournal::Stand> stand = journal.Lesen();
        if (!stand) {
            journal.Entfernen();
            bericht = QStringLiteral("an unreadable update journal was removed");
        } else if (stand->phase == UpdateJournal::Phase::Tauschen) {
            // Every copy was complete before the first rename: finish.
            bool gut = true;
            for (size_t i = 0; i < stand->eintraege.size() && gut; ++i) {
                if (QFileInfo::exists(journal.Neu(i)))
                    gut = Umbenennen(journal.Neu(i), ordner.filePath(stand->eintraege[i].ziel));
            }
            if (gut) {
                bericht = QStringLiteral("an interrupted update was finished");
                journal.Aufraeumen(*stand);
            } else {
                UpdateJournal::Stand zurueck = *stand;
                journal.Aufgeben(zurueck);
                bericht = QStringLiteral("an interrupted update was undone");
            }
        } else {
            if (stand->phase != UpdateJournal::Phase::Fertig) {
                journal.Zuruecknehmen(*stand);
                bericht = QStringLiteral("an interrupted update was undone");
            } else {
                bericht = QStringLiteral("an update's leftovers were removed");
            }
            journal.Aufraeumen(*stand);
        }
    }
    // Hidden copies without a journal are from an installer that kept none.
    const QStringList reste = ordner.entryList({QStringLiteral(".pwi-neu-*"),
                                                QStringLiteral(".pwi-alt-*")},
                                               QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& rest : reste)
        QFile::remove(ordner.filePath(rest));
    if (bericht.isEmpty() && !reste.isEmpty())
        bericht = QStringLiteral("hidden copies of an update were removed");
    return bericht;
}

} // namespace pinwick
