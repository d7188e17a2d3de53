#pragma once
// Whether the desktop asks for less motion. Three places say so: the desktop
// portal's reduced-motion in the appearance settings (over the session bus;
// its SettingChanged signal is followed), GNOME's enable-animations turned
// off (read with the gsettings tool, followed with its monitor, so nothing
// polls), and KDE's AnimationDurationFactor=0 in the [KDE] group of
// kdeglobals (found through the XDG config folders, followed with a file
// watcher). The portal speaks for the whole desktop (its backends read the
// GNOME and KDE settings themselves), so when it answers its word decides;
// where it is missing, or does not know the setting, GNOME's and KDE's are
// asked, and either asking for less motion suffices. Read at start and
// followed while the bar runs.

#include <QByteArray>
#include <QFileSystemWatcher>
#include <QObject>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <optional>

class QDBusMessage;
class QDBusVariant;
class QProcess;
class QVariant;

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
// What the portal's reduced-motion value says: 1 for less motion, 0 for no
// wish; the value may come wrapped in variants (an older portal's Read wraps
// it twice). Anything else says nothing.
std::optional<bool> PortalWenigerBewegung(const QVariant& wert);
// The session bus's address for the given environment: its variable, else
// the bus socket in XDG_RUNTIME_DIR where there is one; empty without a bus.
// Nothing is started to find one.
QString SitzungsbusAdresse(const QProcessEnvironment& umgebung);

class Bewegungswunsch : public QObject {
    Q_OBJECT
public:
    explicit Bewegungswunsch(QProcessEnvironment umgebung = QProcessEnvironment::systemEnvironment(),
                             QObject* eltern = nullptr);
    ~Bewegungswunsch() override;

    // Reads the desktop's settings and follows them from here on.
    void Starten();
    bool WenigerBewegung() const {
        if (portal_)
            return *portal_;
        return kde_.value_or(false) || gnome_.value_or(false);
    }
    // The portal answered (and its word decides).
    bool PortalAntwortet() const { return portal_.has_value(); }

signals:
    void geaendert(bool wenigerBewegung);

private slots:
    void portalSettingChanged(const QString& gruppe, const QString& schluessel,
                              const QDBusVariant& wert);

private:
    void kdeLesen();
    void gnomeStarten();
    void portalStarten();
    void portalFragen(bool warten);
    void portalFragenMit(const QString& methode, bool warten);
    void portalAntwort(const QDBusMessage& antwort, const QString& methode, bool warten);
    void melden(bool vorher);

    QProcessEnvironment umgebung_;
    std::optional<bool> kde_;
    std::optional<bool> gnome_;
    QFileSystemWatcher wache_;
    QProcess* monitor_ = nullptr;
    QByteArray monitorRest_;
    std::optional<bool> portal_;
    // The name of our own connection to the session bus; empty without one.
    QString busName_;
};

} // namespace pinwick
