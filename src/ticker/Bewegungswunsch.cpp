#include "Bewegungswunsch.h"

#include "Protokoll.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace pinwick {

namespace {

constexpr char GnomeSchema[] = "org.gnome.desktop.interface";
constexpr char GnomeSchluessel[] = "enable-animations";
// The gsettings tool answers at once; one that hangs must not hold the start.
constexpr int GsettingsWarteMs = 1000;

constexpr char PortalDienst[] = "org.freedesktop.portal.Desktop";
constexpr char PortalPfad[] = "/org/freedesktop/portal/desktop";
constexpr char PortalSchnittstelle[] = "org.freedesktop.portal.Settings";
constexpr char PortalGruppe[] = "org.freedesktop.appearance";
constexpr char PortalSchluessel[] = "reduced-motion";
// At start the portal is waited for as long as for gsettings; a portal still
// being started answers later, and its answer is taken then.
constexpr int PortalWarteMs = 1000;
// A later answer, or one after the portal came back, is waited for longer.
constexpr int PortalSpaetWarteMs = 25000;

// A D-Bus address value: bytes outside the plain set written as %xx.
QString AdressWert(const QString& text) {
    QString aus;
    for (const char c : text.toUtf8()) {
        const bool schlicht = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                              (c >= '0' && c <= '9') || c == '-' || c == '_' || c == '/' ||
                              c == '.' || c == '\\' || c == '*';
        if (schlicht)
            aus += QLatin1Char(c);
        else
            aus += QLatin1Char('%') +
                   QString::number(uchar(c), 16).rightJustified(2, QLatin1Char('0'));
    }
    return aus;
}

} // namespace

QStringList KdeglobalsPfade(const QProcessEnvironment& umgebung) {
    QStringList ordner;
    const QString heim = umgebung.value(QStringLiteral("XDG_CONFIG_HOME"));
    if (!heim.isEmpty())
        ordner << heim;
    else if (const QString home = umgebung.value(QStringLiteral("HOME")); !home.isEmpty())
        ordner << home + QStringLiteral("/.config");
    QString dirs = umgebung.value(QStringLiteral("XDG_CONFIG_DIRS"));
    if (dirs.isEmpty())
        dirs = QStringLiteral("/etc/xdg");
    for (const QString& d : dirs.split(QLatin1Char(':'), Qt::SkipEmptyParts))
        ordner << d;
    QStringList pfade;
    for (const QString& o : ordner)
        pfade << QDir::cleanPath(o + QStringLiteral("/kdeglobals"));
    return pfade;
}

std::optional<bool> KdeWenigerBewegung(const QByteArray& inhalt) {
    bool inKde = false;
    std::optional<bool> ergebnis;
    for (QByteArray zeile : inhalt.split('\n')) {
        zeile = zeile.trimmed();
        if (zeile.isEmpty() || zeile.startsWith('#'))
            continue;
        if (zeile.startsWith('[')) {
            // "[KDE]", also with a flag after it ("[KDE][$i]").
            inKde = zeile == "[KDE]" || zeile.startsWith("[KDE][");
            continue;
        }
        if (!inKde)
            continue;
        const qsizetype gleich = zeile.indexOf('=');
        if (gleich < 0)
            continue;
        QByteArray name = zeile.left(gleich).trimmed();
        // A key may carry flags or a language: "AnimationDurationFactor[$e]".
        if (const qsizetype klammer = name.indexOf('['); klammer >= 0)
            name = name.left(klammer);
        if (name != "AnimationDurationFactor")
            continue;
        bool ok = false;
        const double faktor = zeile.mid(gleich + 1).trimmed().toDouble(&ok);
        if (ok)
            ergebnis = faktor == 0;
    }
    return ergebnis;
}

std::optional<bool> GnomeWenigerBewegung(const QByteArray& zeile) {
    // "false", or from the monitor "enable-animations: false".
    QByteArray wert = zeile.trimmed();
    if (const qsizetype doppel = wert.lastIndexOf(':'); doppel >= 0)
        wert = wert.mid(doppel + 1).trimmed();
    if (wert == "false")
        return true;
    if (wert == "true")
        return false;
    return std::nullopt;
}

std::optional<bool> PortalWenigerBewegung(const QVariant& wert) {
    QVariant v = wert;
    // ReadOne hands the value in a variant, the older Read in two.
    for (int tiefe = 0; tiefe < 4 && v.metaType() == QMetaType::fromType<QDBusVariant>(); ++tiefe)
        v = v.value<QDBusVariant>().variant();
    switch (v.metaType().id()) {
    case QMetaType::UInt:
    case QMetaType::Int:
    case QMetaType::UChar:
    case QMetaType::UShort:
    case QMetaType::Short:
    case QMetaType::ULongLong:
    case QMetaType::LongLong:
        break;
    default:
        return std::nullopt;
    }
    const qlonglong zahl = v.toLongLong();
    if (zahl == 1)
        return true;
    if (zahl == 0)
        return false;
    return std::nullopt;
}

QString SitzungsbusAdresse(const QProcessEnvironment& umgebung) {
    const QString adresse = umgebung.value(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
    if (!adresse.isEmpty())
        return adresse;
    // Where the bus comes with the login (systemd's user bus) the variable
    // may be missing; its socket then lies in the runtime folder. Nothing
    // else is tried: no bus is started just to ask.
    const QString laufzeit = umgebung.value(QStringLiteral("XDG_RUNTIME_DIR"));
    if (laufzeit.isEmpty())
        return {};
    const QString sockel = laufzeit + QStringLiteral("/bus");
    if (!QFileInfo::exists(sockel))
        return {};
    return QStringLiteral("unix:path=") + AdressWert(sockel);
}

Bewegungswunsch::Bewegungswunsch(QProcessEnvironment umgebung, QObject* eltern)
    : QObject(eltern), umgebung_(std::move(umgebung)) {
    connect(&wache_, &QFileSystemWatcher::fileChanged, this, [this] {
        const bool vorher = WenigerBewegung();
        kdeLesen();
        melden(vorher);
    });
    // A kdeglobals written anew (saved through a new file) or made where
    // there was none shows as a change of its folder.
    connect(&wache_, &QFileSystemWatcher::directoryChanged, this, [this] {
        const bool vorher = WenigerBewegung();
        kdeLesen();
        melden(vorher);
    });
}

Bewegungswunsch::~Bewegungswunsch() {
    if (monitor_) {
        monitor_->kill();
        monitor_->waitForFinished(GsettingsWarteMs);
    }
    if (!busName_.isEmpty())
        QDBusConnection::disconnectFromBus(busName_);
}

void Bewegungswunsch::Starten() {
    kdeLesen();
    gnomeStarten();
    portalStarten();
}

void Bewegungswunsch::portalStarten() {
    const QString adresse = SitzungsbusAdresse(umgebung_);
    if (adresse.isEmpty())
        return;
    // A connection of our own, to the bus of the environment we were given.
    busName_ = QStringLiteral("pinwick-bewegung-%1").arg(quintptr(this), 0, 16);
    QDBusConnection bus = QDBusConnection::connectToBus(adresse, busName_);
    if (!bus.isConnected()) {
        qCInfo(logLeiste) << "no session bus; the desktop portal's motion setting is not asked";
        QDBusConnection::disconnectFromBus(busName_);
        busName_.clear();
        return;
    }
    // Listening before asking, so that no change falls between the two.
    // QtDBus finds the slot's argument types by name: QDBusVariant's must be
    // known before the first change could arrive.
    qRegisterMetaType<QDBusVariant>();
    // The slot's signature as Qt writes it, without spaces: QtDBus takes it
    // as it stands.
    // clang-format off
    const char* slot = SLOT(portalSettingChanged(QString,QString,QDBusVariant));
    // clang-format on
    if (!bus.connect(QString::fromLatin1(PortalDienst), QString::fromLatin1(PortalPfad),
                     QString::fromLatin1(PortalSchnittstelle), QStringLiteral("SettingChanged"),
                     this, slot))
        qCWarning(logLeiste) << "the desktop portal's changes cannot be followed";
    // A portal that ends hands the word back to GNOME's and KDE's settings;
    // one that starts (again) is asked.
    auto* wache = new QDBusServiceWatcher(QString::fromLatin1(PortalDienst), bus,
                                          QDBusServiceWatcher::WatchForRegistration |
                                              QDBusServiceWatcher::WatchForUnregistration,
                                          this);
    connect(wache, &QDBusServiceWatcher::serviceRegistered, this, [this] { portalFragen(false); });
    connect(wache, &QDBusServiceWatcher::serviceUnregistered, this, [this] {
        const bool vorher = WenigerBewegung();
        portal_.reset();
        melden(vorher);
    });
    portalFragen(true);
}

void Bewegungswunsch::portalFragen(bool warten) {
    portalFragenMit(QStringLiteral("ReadOne"), warten);
}

void Bewegungswunsch::portalFragenMit(const QString& methode, bool warten) {
    QDBusConnection bus(busName_);
    QDBusMessage frage = QDBusMessage::createMethodCall(
        QString::fromLatin1(PortalDienst), QString::fromLatin1(PortalPfad),
        QString::fromLatin1(PortalSchnittstelle), methode);
    frage << QString::fromLatin1(PortalGruppe) << QString::fromLatin1(PortalSchluessel);
    if (warten) {
        const QDBusMessage antwort = bus.call(frage, QDBus::Block, PortalWarteMs);
        if (antwort.type() == QDBusMessage::ErrorMessage &&
            antwort.errorName() == QLatin1String("org.freedesktop.DBus.Error.NoReply")) {
            // A portal being started: its answer is taken when it comes.
            qCInfo(logLeiste)
                << "the desktop portal did not answer yet; asked again in the background";
            portalFragenMit(methode, false);
            return;
        }
        portalAntwort(antwort, methode, true);
        return;
    }
    auto* wartend = new QDBusPendingCallWatcher(bus.asyncCall(frage, PortalSpaetWarteMs), this);
    connect(wartend, &QDBusPendingCallWatcher::finished, this,
            [this, methode](QDBusPendingCallWatcher* w) {
                w->deleteLater();
                portalAntwort(w->reply(), methode, false);
            });
}

void Bewegungswunsch::portalAntwort(const QDBusMessage& antwort, const QString& methode,
                                    bool warten) {
    if (antwort.type() == QDBusMessage::ErrorMessage) {
        // A portal older than ReadOne has Read, which wraps the value once more.
        if (methode == QLatin1String("ReadOne") &&
            antwort.errorName() == QLatin1String("org.freedesktop.DBus.Error.UnknownMethod")) {
            portalFragenMit(QStringLiteral("Read"), warten);
            return;
        }
        // No portal, or one that does not know the setting: the others speak.
        qCDebug(logLeiste) << "desktop portal:" << antwort.errorName();
        return;
    }
    if (antwort.type() != QDBusMessage::ReplyMessage || antwort.arguments().isEmpty())
        return;
    const bool vorher = WenigerBewegung();
    portal_ = PortalWenigerBewegung(antwort.arguments().constFirst());
    melden(vorher);
}

void Bewegungswunsch::portalSettingChanged(const QString& gruppe, const QString& schluessel,
                                           const QDBusVariant& wert) {
    if (gruppe != QLatin1String(PortalGruppe) || schluessel != QLatin1String(PortalSchluessel))
        return;
    const bool vorher = WenigerBewegung();
    portal_ = PortalWenigerBewegung(wert.variant());
    melden(vorher);
}

void Bewegungswunsch::kdeLesen() {
    kde_.reset();
    const QStringList pfade = KdeglobalsPfade(umgebung_);
    // The strongest file that says anything decides.
    for (const QString& pfad : pfade) {
        QFile datei(pfad);
        if (!datei.open(QIODevice::ReadOnly))
            continue;
        if (const auto wert = KdeWenigerBewegung(datei.readAll())) {
            kde_ = wert;
            break;
        }
    }
    for (const QString& pfad : pfade) {
        if (QFileInfo::exists(pfad)) {
            if (!wache_.files().contains(pfad))
                wache_.addPath(pfad);
        }
        const QString ordner = QFileInfo(pfad).absolutePath();
        if (QFileInfo(ordner).isDir() && !wache_.directories().contains(ordner))
            wache_.addPath(ordner);
    }
}

void Bewegungswunsch::gnomeStarten() {
    const QString werkzeug = QStandardPaths::findExecutable(
        QStringLiteral("gsettings"), umgebung_.value(QStringLiteral("PATH")).split(QLatin1Char(':')));
    if (werkzeug.isEmpty())
        return;
    const QStringList frage{QStringLiteral("get"), QString::fromLatin1(GnomeSchema),
                            QString::fromLatin1(GnomeSchluessel)};
    QProcess lesen;
    lesen.setProcessEnvironment(umgebung_);
    lesen.start(werkzeug, frage);
    if (!lesen.waitForFinished(GsettingsWarteMs)) {
        lesen.kill();
        lesen.waitForFinished(GsettingsWarteMs);
        qCInfo(logLeiste) << "gsettings did not answer; GNOME's animation setting is not followed";
        return;
    }
    if (lesen.exitStatus() != QProcess::NormalExit || lesen.exitCode() != 0)
        return; // no GNOME schema on this desktop
    gnome_ = GnomeWenigerBewegung(lesen.readAllStandardOutput());

    // The monitor prints a line for each change: nothing polls.
    monitor_ = new QProcess(this);
    monitor_->setProcessEnvironment(umgebung_);
    connect(monitor_, &QProcess::readyReadStandardOutput, this, [this] {
        monitorRest_ += monitor_->readAllStandardOutput();
        qsizetype ende;
        while ((ende = monitorRest_.indexOf('\n')) >= 0) {
            const QByteArray zeile = monitorRest_.left(ende);
            monitorRest_.remove(0, ende + 1);
            if (const auto wert = GnomeWenigerBewegung(zeile)) {
                const bool vorher = WenigerBewegung();
                gnome_ = wert;
                melden(vorher);
            }
        }
    });
    monitor_->start(werkzeug, {QStringLiteral("monitor"), QString::fromLatin1(GnomeSchema),
                               QString::fromLatin1(GnomeSchluessel)});
}

void Bewegungswunsch::melden(bool vorher) {
    if (WenigerBewegung() != vorher)
        emit geaendert(WenigerBewegung());
}

} // namespace pinwick
