#include "Bewegungswunsch.h"

#include "Protokoll.h"

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
}

void Bewegungswunsch::Starten() {
    kdeLesen();
    gnomeStarten();
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
