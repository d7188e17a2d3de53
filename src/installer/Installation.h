#pragma once
// What the installer does, without its window: reads the hand-over files the
// ticker left, fetches the list of files and the files from the update
// server, and puts them into the program folder.
//
// Everything in the list comes from the network, so nothing is believed
// until the release's signature is checked: the signed sums file must be
// signed by the key this build trusts, must name exactly the listed files
// (and the version and list files), every file must match its sum, and the
// signed version must be newer than the installed one. Each name is checked
// before it becomes a file name, every obstacle in the program folder is
// found before the first change, and the changes themselves go through the
// journal (Journal.h): the program folder ends up wholly old or wholly new,
// even when the installer is killed half-way.

#include "Ftp.h"
#include "Journal.h"

#include <QByteArray>
#include <QDir>
#include <QMap>
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
inline constexpr int64_t VersionHoechstens = 4096;              // bytes of "serverversion.txt"

// The version of the programs this installer came with (3.01 as 301).
int16_t EigeneVersion();

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
    // The release's sums and their signature, beside the list.
    static constexpr const char* SummenDatei = "updsums.txt";
    static constexpr const char* SignaturDatei = "updsums.txt.minisig";
    static constexpr const char* VersionsDatei = "serverversion.txt";
    // The version installed by the last update, should it be newer than
    // this installer's own: the floor a release must rise above. Written by
    // the installer as one more file of the update, under its journal, so
    // that it is there exactly when the new files are; never from a list.
    static constexpr const char* StandDatei = "updstand.txt";

    explicit Installation(const QDir& arbeitsOrdner);

    FtpServer server = FtpServer::Eingebaut();
    FtpZeiten zeiten;
    // The folder in which a fresh download folder is made (and removed
    // again): one only this user can reach (SystemDownloadBasis). Empty:
    // there is none, and no update runs.
    QString downloadBasis;
    // Lets pending window events run while transfers wait.
    std::function<void()> ereignisse;
    // Asked while transfers wait: true gives the update up.
    std::function<bool()> abbrechen;
    // Told while files arrive: the name, bytes received of it, and its size
    // when the server said it (else 0).
    std::function<void(const QString& name, int64_t empfangen, int64_t gesamt)> fortschritt;
    // The minisign public key releases must be signed with; empty refuses
    // every update.
    QByteArray schluessel = EingebauterSchluessel();
    // The installed version; a release must be newer.
    int16_t installierteVersion = EigeneVersion();
    // The whole update may take this long, whatever sizes the server
    // announces.
    int64_t gesamtzeitMs = 10 * 60 * 1000;
    // Called at each step of the install phase (tests cut the installer off
    // there).
    std::function<void(const char* schritt)> schritt;

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

    // The installed version: this installer's own, or the one the last
    // update recorded when that is newer.
    int16_t StandLesen() const;

    // The user's private folder (EigenerOrdner.h), never a shared temporary
    // folder: a download folder's name is written into the journal, and
    // after a restart somebody else could make a folder of that name there.
    // On Windows "temp" in the Windows folder. Empty, with `grund`, when
    // the user has no private folder.
    static QString SystemDownloadBasis(QString* grund = nullptr);

private:
    Ergebnis fehlgeschlagen(const QString& grund);
    QString hindernis(const QStringList& liste) const;
    // The steps of Ausfuehren, in their order. Each gives the result of the
    // update when it ends it (fehler_ says why), nothing when the update
    // goes on.
    std::optional<Ergebnis> herunterladen(const QDir& dl, int16_t& neueVersion);
    // The signed sums name exactly the list's files; fills liste_ and `summen`.
    std::optional<Ergebnis> freigabePruefen(const QDir& dl, const QString& listeName,
                                            const QString& listeDatei,
                                            QMap<QString, QByteArray>& summen);
    std::optional<Ergebnis> versionPruefen(const QDir& dl, int16_t& neueVersion);
    // The install phase, up to the swap: the new files beside their places.
    std::optional<Ergebnis> installieren(UpdateJournal& journal, UpdateJournal::Stand& stand,
                                         const QDir& dl, int16_t neueVersion);
    bool abgebrochen() const { return abbrechen && abbrechen(); }
    void ereignisseZulassen() const {
        if (ereignisse)
            ereignisse();
    }

    QDir ordner_;
    // Why there is no download basis, when there is none.
    QString basisFehler_;
    QStringList liste_;
    QString programm_;
    QString fehler_;
};

} // namespace pinwick::pwi
