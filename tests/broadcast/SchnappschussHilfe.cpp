#include "SchnappschussHilfe.h"

#include <QFile>
#include <QProcess>
#include <cstring>
#include <sodium.h>

namespace pinwick::test {

Lauf Minisign(const QStringList& argumente, const QByteArray& eingabe) {
    Lauf l;
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(QStringLiteral(PINWICK_MINISIGN), argumente);
    if (!p.waitForStarted(10000)) {
        l.ausgabe = QStringLiteral("minisign does not start (scripts/install-deps.sh installs it)");
        return l;
    }
    p.write(eingabe);
    p.closeWriteChannel();
    // Deriving an encrypted key's password takes a gigabyte and seconds.
    if (!p.waitForFinished(120000)) {
        p.kill();
        p.waitForFinished();
        l.ausgabe = QStringLiteral("minisign does not finish");
        return l;
    }
    l.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    l.ausgabe = QString::fromUtf8(p.readAll());
    return l;
}

QString MinisignSchluessel(const QString& ordner, const QString& name, const QByteArray& passwort) {
    const QString geheim = ordner + u'/' + name + QStringLiteral(".key");
    QStringList argumente{QStringLiteral("-G"), QStringLiteral("-f"), QStringLiteral("-p"),
                          ordner + u'/' + name + QStringLiteral(".pub"), QStringLiteral("-s"),
                          geheim};
    if (passwort.isEmpty())
        argumente << QStringLiteral("-W");
    // Asked twice; without a terminal minisign reads the lines from stdin.
    const Lauf l = Minisign(argumente, passwort.isEmpty() ? QByteArray()
                                                          : passwort + '\n' + passwort + '\n');
    return l.status == 0 ? geheim : QString();
}

QByteArray OeffentlicherSchluessel(const QString& pubDatei) {
    QFile f(pubDatei);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    for (const QByteArray& z : f.readAll().split('\n')) {
        if (!z.trimmed().isEmpty() && !z.startsWith("untrusted comment:"))
            return z.trimmed();
    }
    return {};
}

QByteArray KleinVerschluesselt(const QByteArray& passwort, QByteArray* oeffentlich, bool verderben) {
    if (sodium_init() < 0)
        return {};
    uint8_t b[158] = {};
    std::memcpy(b, "EdScB2", 6);
    randombytes_buf(b + 6, 32); // salt
    const uint64_t operationen = 1 << 15, speicher = 1 << 20;
    for (int i = 0; i < 8; ++i) {
        b[38 + i] = static_cast<uint8_t>(operationen >> (8 * i));
        b[46 + i] = static_cast<uint8_t>(speicher >> (8 * i));
    }
    uint8_t* nummer = b + 54;
    uint8_t* geheim = b + 62;
    uint8_t* summe = b + 126;
    randombytes_buf(nummer, 8);
    uint8_t pk[32];
    crypto_sign_keypair(pk, geheim);
    crypto_generichash_state z;
    crypto_generichash_init(&z, nullptr, 0, 32);
    crypto_generichash_update(&z, b, 2);
    crypto_generichash_update(&z, nummer, 8);
    crypto_generichash_update(&z, geheim, 64);
    crypto_generichash_final(&z, summe, 32);
    if (verderben)
        summe[0] ^= 1;
    if (oeffentlich) {
        QByteArray roh("Ed");
        roh.append(reinterpret_cast<const char*>(nummer), 8);
        roh.append(reinterpret_cast<const char*>(pk), 32);
        *oeffentlich = roh.toBase64();
    }
    uint8_t strom[104];
    if (crypto_pwhash_scryptsalsa208sha256(strom, sizeof strom, passwort.constData(),
                                           static_cast<unsigned long long>(passwort.size()), b + 6,
                                           operationen, speicher) != 0)
        return {};
    for (int i = 0; i < 104; ++i)
        b[54 + i] ^= strom[i];
    return "untrusted comment: minisign encrypted secret key\n" +
           QByteArray(reinterpret_cast<const char*>(b), sizeof b).toBase64() + '\n';
}

SchnappschussZeile BeispielEinstellungen() {
    SchnappschussZeile z;
    for (const SchnappschussSpalte& s : EinstellungsSpalten) {
        switch (s.typ) {
        case SpaltenTyp::Ganzzahl:
            z.insert(QLatin1String(s.name), qint64(-1));
            break;
        case SpaltenTyp::Zahl:
            z.insert(QLatin1String(s.name), 0.5);
            break;
        case SpaltenTyp::Text:
            z.insert(QLatin1String(s.name), QStringLiteral("Verdana"));
            break;
        }
    }
    z.insert(QStringLiteral("fensterHgFarbe"), qint64(16744576));
    z.insert(QStringLiteral("passWort"), QStringLiteral("$argon2id$v=19$m=65536,t=2,p=1$c2FsdA$aGFzaA"));
    z.insert(QStringLiteral("broadcastPfad"), QVariant()); // NULL in the file
    return z;
}

QList<SchnappschussZeile> BeispielNotizen(int anzahl) {
    QList<SchnappschussZeile> notizen;
    for (int i = 1; i <= anzahl; ++i) {
        SchnappschussZeile n;
        n.insert(QStringLiteral("ID"), qint64(i));
        n.insert(QStringLiteral("inhalt"), QStringLiteral("Notiz %1: Grüße \"an\" alle \\ ✓").arg(i));
        n.insert(QStringLiteral("Rhythmus"), qint64(i % 5));
        n.insert(QStringLiteral("UhrVon"), 0.25);
        n.insert(QStringLiteral("UhrBis"), 0.75);
        n.insert(QStringLiteral("StartDatum"), 46000.0 + i);
        n.insert(QStringLiteral("Vorher"), qint64(0));
        n.insert(QStringLiteral("RhyDetails"), QStringLiteral("1;3;5"));
        n.insert(QStringLiteral("Dauer"), QVariant());
        notizen.append(n);
    }
    return notizen;
}

QList<SchnappschussZeile> BeispielFeeds(int anzahl) {
    QList<SchnappschussZeile> feeds;
    for (int i = 1; i <= anzahl; ++i) {
        SchnappschussZeile f;
        f.insert(QStringLiteral("ID"), qint64(i));
        f.insert(QStringLiteral("Adresse"),
                 QStringLiteral("https://news%1.example/feed.xml?a=1&b=2").arg(i));
        f.insert(QStringLiteral("Titel"),
                 i == 1 ? QString() : QStringLiteral("Meldungen %1 ✓").arg(i));
        f.insert(QStringLiteral("Farbe"), qint64(i == 1 ? -1 : 0x0080FF));
        f.insert(QStringLiteral("Anzahl"), qint64(i));
        f.insert(QStringLiteral("Aktiv"), qint64(i % 2));
        feeds.append(f);
    }
    return feeds;
}

} // namespace pinwick::test
