#include "EinstellungenTexte.h"

namespace pinwick {

namespace {

// clang-format off
constexpr Zweisprachig HilfeAbsaetze[2][2] = {
    // sysop
    {{u"Enable the sysop mode to password-protect the access to the program settings, in "
      u"order to prevent unauthorized changes.",
      u"Wenn Sie den Sysop-Status aktivieren, kann der Zugang zu den Programmeinstellungen "
      u"mit einem Passwort gesch\u00FCtzt werden, um unberechtigte \u00C4nderungen zu "
      u"verhindern."},
     {u"The sysop mode will be activated automatically by enabling the broadcast reciever "
      u"mode. In this case, the password of the transmitter is valid also for this "
      u"computer.",
      u"Bei aktiviertem Broadcasting wird der Sysop-Status automatisch aktiviert. Es gilt das "
      u"Passwort des Broadcast-Senders."}},
    // broadcast
    {{u"Enable the broadcast receiver mode and set the path to the broadcast database to "
      u"recieve the news contained in the database pw.kav of the transmitter. Pinwick 3 "
      u"installations with disabled broadcast receiver mode are not connected and work "
      u"either as transmitters or as stand-alone applications.",
      u"Wenn Sie diesen Computer als Broadcast-Empf\u00E4nger aktivieren und den Pfad zur "
      u"Broadcast-Datenbank einstellen, empfangen Sie die Nachrichten, die in der "
      u"Datenbank pw.kav des Broadcasters enthalten sind. Pinwick 3-Installationen, bei "
      u"denen Broadcasting nicht aktiviert ist, sind nicht angeschlossen und arbeiten "
      u"entweder als Sender oder als Einzelplatzanwendung."},
     {u"Enabling the broadcast receiver mode enables the sysop mode automatically. The "
      u"sysop decides for every installation whether it will be connected to the broadcast "
      u"system or not. On every connected receiver the sysop sets the path to the "
      u"broadcast database.",
      u"Bei Aktivierung als Broadcast-Empf\u00E4nger erfolgt automatisch auch die "
      u"Aktivierung des SysOp-Status. Der Sysop stellt an jeder Installation ein, ob sie an "
      u"das Broadcast-System angeschlossen wird. An jedem angeschlossenen Empf\u00E4nger "
      u"stellt der Sysop den Pfad zur Broadcast-Datenbank ein."}},
};

// What the password is worth, said under the sysop help: the key of every
// notes file is the same, so the password is a lock for the honest only.
constexpr Zweisprachig PasswortGrenze = {
    u"The password keeps honest people out of the settings, not a determined user of this "
    u"computer: the key of the database pw.kav is the same in every installation, and "
    u"whoever can write the file can change the settings without the password.",
    u"Das Passwort h\u00E4lt ehrliche Benutzer von den Einstellungen fern, aber keinen "
    u"entschlossenen Benutzer dieses Computers: Der Schl\u00FCssel der Datenbank pw.kav ist "
    u"in jeder Installation derselbe, und wer die Datei schreiben kann, \u00E4ndert die "
    u"Einstellungen auch ohne Passwort."};
// clang-format on

} // namespace

QString HilfeText(int nummer, int16_t sprache, const QString& umbruch) {
    const Zweisprachig(&absaetze)[2] = HilfeAbsaetze[nummer == 1 ? 0 : 1];
    QString text = absaetze[0].in(sprache) + umbruch + umbruch + absaetze[1].in(sprache);
    if (nummer == 1)
        text += umbruch + umbruch + PasswortGrenze.in(sprache);
    return text;
}

} // namespace pinwick
