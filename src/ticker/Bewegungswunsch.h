#pragma once
// Whether the desktop asks for less motion: GNOME's enable-animations turned
// off (read with the gsettings tool, followed with its monitor, so nothing
// polls), or KDE's AnimationDurationFactor=0 in the [KDE] group of kdeglobals
// (found through the XDG config folders, followed with a file watcher). Read
// at start and followed while the bar runs. The desktop portal's
// reduced-motion is not asked: the program has no D-Bus binding.

#include <QByteArray>
#include <QFileSystemWatcher>
#include <QObject>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <optional>

class QProcess;

namespace pinwick {

// The kdeglobals files that count, the strongest first: the user's config
// folder (XDG_CONFIG_HOME, else ~/.config), then XDG_CONFIG_DIRS (else
// /etc/xdg).
QStringList KdeglobalsPfade(const QProcessEnvironment& umgebung);
// What the text of one kdeglobals says: true for less motion
// (AnimationDurationFactor 0 in [KDE]), false for another factor, nothing
// when it does not say.
std::optional<bool> KdeWenigerBewegung(const QByteArray& inhalt);
// What a line of `gsettings get ... enable-animations` or of its monitor
// says: true for less motion (animations off).
std::optional<bool> GnomeWenigerBewegung(const QByteArray& zeile);

class Bewegungswunsch : public QObject {
    Q_OBJECT
public:
    explicit Bewegungswunsch(QProcessEnvironment umgebung = QProcessEnvironment::systemEnvironment(),
                             QObject* eltern = nullptr);
    ~Bewegungswunsch() override;

    // Reads the desktop's settings and follows them from here on.
    void Starten();
    bool WenigerBewegung() const { return kde_.value_or(false) || gnome_.value_or(false); }

signals:
    void geaendert(bool wenigerBewegung);

private:
    void kdeLesen();
    void gnomeStarten();
    void melden(bool vorher);

    QProcessEnvironment umgebung_;
    std::optional<bool> kde_;
    std::optional<bool> gnome_;
    QFileSystemWatcher wache_;
    QProcess* monitor_ = nullptr;
    QByteArray monitorRest_;
};

} // namespace pinwick
