#pragma once
// The daily update check of the ticker. At most once per calendar day it
// fetches the server's version file; when the server offers a higher number
// than the program's own, the notice UpdateSignal appears beside the bar.
// Accepting it leaves the offered version and the language for the installer,
// gives the shipped installer "pwi.kav" its runnable name, starts it and ends
// the ticker, so that the installer can replace the ticker's files.
//
// Every failure of the check itself stays silent: the bar goes on as before
// and the next day tries again.

#include "Ftp.h"
#include "Programm.h"

#include <QByteArray>
#include <QDate>
#include <QPointer>
#include <QString>
#include <cstdint>
#include <functional>

namespace pinwick {

class UpdateSignal;

// The server version in the text of the version file: the leading number of
// its first line, after its line break became a blank. 0 when the line holds
// no number or one outside the 16-bit range.
int16_t ServerVersionLesen(const QByteArray& inhalt);

class UpdatePruefung {
public:
    // Files in the working folder.
    static constexpr const char* MarkerDatei = "updtag.txt"; // day of the last check
    static constexpr const char* VersionsDatei = "serverversion.txt";
    static constexpr const char* UpdverDatei = "updver.txt";
    static constexpr const char* UpdinfoDatei = "updinfo.txt";
    static constexpr const char* InstallerKav = "pwi.kav";
    // Where the version file lies below the server's base folder.
    static constexpr const char* VersionsPfad = "pinwick/cgi-bin/serverversion.txt";
    // A version file is a line; anything longer is not one.
    static constexpr int64_t VersionsDateiHoechstens = 4096;

    explicit UpdatePruefung(Programm& p);
    ~UpdatePruefung();
    UpdatePruefung(const UpdatePruefung&) = delete;
    UpdatePruefung& operator=(const UpdatePruefung&) = delete;

    // The server and the time-outs; tests point them elsewhere.
    FtpServer server = FtpServer::Eingebaut();
    FtpZeiten zeiten;
    // The whole check may take this long, however slowly the server sends.
    int64_t gesamtzeitMs = 60 * 1000;
    // The key releases are signed with. Without one the installer could
    // install nothing, so no update is offered.
    QByteArray schluessel = EingebauterSchluessel();
    // Starts a program of the working folder (the installer); true when it
    // runs. Tests put a recorder here.
    std::function<bool(const QString& programm)> programmStarten;
    // Ends the ticker at once; the bar sets it.
    std::function<void()> programmBeenden;
    // Asks or tells through the message box (kind, text); the answer is read
    // from mBoxAntwort. mBoxZeigen unless a test says otherwise.
    std::function<void(int16_t art, const QString& text)> mBox;

    // The daily check: nothing when it already ran today.
    void Pruefen();
    // The number offered by the server at the last check, else 0.
    int16_t VerfuegbareVersion() const { return verfuegbar_; }
    // The notice, while it exists.
    UpdateSignal* Signal() const;
    // From the bar's layout: moves a visible notice against the bar; a hidden
    // one goes away.
    void SignalAnLeiste();
    // A click on the notice: the question, then the hand-over.
    void Annehmen();
    // The hand-over without the question: "updver.txt" and "updinfo.txt",
    // "pwi.kav" renamed to the installer's runnable name, the installer
    // started. Empty when the installer runs; otherwise the message for the
    // user, and the working folder is as it was.
    QString InstallerStarten();

private:
    QDate markerTag() const;
    void markerSchreiben(const QDate& tag) const;
    void signalZeigen();
    void signalWeg();

    Programm& p_;
    QDate letzterTag_; // kept as well, should the marker file not be writable
    int16_t verfuegbar_ = 0;
    bool laeuft_ = false;
    bool fragt_ = false;
    QPointer<UpdateSignal> signal_;
};

} // namespace pinwick
