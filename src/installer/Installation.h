#pragma once
// What the installer does, without its window: reads the hand-over files the
// ticker left, fetches the list of files and the files from the update
// server, and puts them into the program folder.
//
// Everything in the list comes from the network, so each name is checked
// before it becomes a file name, every file must have arrived before the
// first one is installed, and each file is written beside its final place
// and then renamed over the old one: the program folder holds either the old
// file or the whole new one, never a part.

#include "Ftp.h"

#include <QByteArray>
#include <QDir>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <optional>

namespace pinwick::pwi {

// Limits on what the server sends.
inline constexpr int64_t ListeHoechstens = 64 * 1024;           // bytes of "updlist.txt"
inline constexpr int NamenHoechstens = 500;                     // names in it
inline constexpr int NameHoechstens = 255;                      // bytes of one name
inline constexpr int64_t DateiHoechstens = 256LL * 1024 * 1024; // bytes of one file

// A file name from the list that may be used as one here: not empty, no
// folder part (no "/", "\", drive letter or ":"), no "..", no control
// characters, not longer than NameHoechstens, and not just the ending ".dld".
bool NameZulaessig(const QString& name);
// True when the name ends in ".dld": a program, delivered under a name that
// is not run.
bool IstProgramm(const QString& name);
// The name a listed file gets in the program folder: without ".dld".
QString ZielName(const QString& name);

// Reads "updlist.txt": one name per line, lines ending in CR LF or LF alone.
// Empty (with `grund` saying why) when the text is too long, holds no name or
// too many, a name that is not allowed, or two names that end up as the same
// file.
std::optional<QStringList> ListeLesen(const QByteArray& inhalt, QString* grund = nullptr);

class Installation {
public:
    // Where the list and the files lie below the server's base folder.
    static constexpr const char* ServerOrdner = "pinwick/cgi-bin/";

    explicit Installation(const QDir& arbeitsOrdner);

    FtpServer server = FtpServer::Eingebaut();
    FtpZeiten zeiten;
    // The folder in which a fresh download folder is made (and removed
    // again): the system's temporary folder.
    QString downloadBasis;
    // Lets pending window events run while transfers wait.
    std::function<void()> ereignisse;
    // Asked while transfers wait: true gives the update up.
    std::function<bool()> abbrechen;

    // ---- the hand-over from the ticker
    int16_t zielVersion = 200;
    int16_t sprache = 0; // 1 English, 2 German, 0 unknown
    void UpdinfoLesen();
    void UpdverLesen();
    // The target version as "3.02".
    QString VersionText() const;

    // ---- the update
    enum class Ergebnis { Erfolg, Fehlgeschlagen, Abgebrochen };
    // Fetches the list and the files and installs them. Nothing in the
    // program folder changes unless every listed file arrived; the download
    // folder is gone afterwards in every case.
    Ergebnis Ausfuehren();
    // After success: the program to start, the last listed program under its
    // final name, or the ticker when the list named none.
    const QString& Programm() const { return programm_; }
    const QStringList& Liste() const { return liste_; }
    // Why the last update failed, for the log.
    const QString& Fehler() const { return fehler_; }
    // Removes "updver.txt", "updinfo.txt" and "updlist.txt".
    void ArbeitsdateienLoeschen();

    // The ticker program in the program folder.
    QString TickerPfad() const;
    const QDir& ArbeitsOrdner() const { return ordner_; }

    // The system's temporary folder ("temp" in the Windows folder there).
    static QString SystemDownloadBasis();

private:
    Ergebnis fehlgeschlagen(const QString& grund);
    bool abgebrochen() const { return abbrechen && abbrechen(); }
    void ereignisseZulassen() const {
        if (ereignisse)
            ereignisse();
    }

    QDir ordner_;
    QStringList liste_;
    QString programm_;
    QString fehler_;
};

} // namespace pinwick::pwi
