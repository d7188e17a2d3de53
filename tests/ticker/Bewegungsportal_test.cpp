// The desktop portal's wish for less motion: read over a session bus the test
// starts itself, from a portal the test plays, against GNOME's and KDE's
// settings. Nothing of the machine's own bus or desktop takes part.

#include "Bewegungswunsch.h"

#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <atomic>
#include <gtest/gtest.h>
#include <memory>
#include <optional>

using namespace pinwick;

namespace {

constexpr char Dienst[] = "org.freedesktop.portal.Desktop";
constexpr char Pfad[] = "/org/freedesktop/portal/desktop";
constexpr char Gruppe[] = "org.freedesktop.appearance";
constexpr char Schluessel[] = "reduced-motion";

// How a played portal answers.
enum class Antwort {
    Wert,        // the value
    KenntEsNicht // the portal's "not found": an older desktop without the setting
};

// The settings of a portal, as the portal has them: ReadOne and (for the
// older ones) Read, and the signal of a change. Lives in a thread of its own,
// so that it answers while the reader waits for it.
class PortalEinstellungen : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Settings")
public:
    std::atomic<uint> wert{0};
    std::atomic<Antwort> antwort{Antwort::Wert};

public slots:
    QDBusVariant ReadOne(const QString& gruppe, const QString& schluessel) {
        return lesen(gruppe, schluessel);
    }

signals:
    void SettingChanged(const QString& gruppe, const QString& schluessel, const QDBusVariant& wert);

protected:
    QDBusVariant lesen(const QString& gruppe, const QString& schluessel) {
        if (gruppe != QLatin1String(Gruppe) || schluessel != QLatin1String(Schluessel) ||
            antwort == Antwort::KenntEsNicht) {
            sendErrorReply(QStringLiteral("org.freedesktop.portal.Error.NotFound"),
                           QStringLiteral("Requested setting not found"));
            return {};
        }
        return QDBusVariant(QVariant::fromValue(wert.load()));
    }
};

// A portal from before ReadOne: Read only, the value wrapped in a variant
// once more.
class AltePortalEinstellungen : public PortalEinstellungen {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Settings")
public:
    // Hides ReadOne: the bus is told of the slots below only.
    static constexpr QDBusConnection::RegisterOptions Optionen =
        QDBusConnection::ExportScriptableSlots | QDBusConnection::ExportAllSignals;

public slots:
    Q_SCRIPTABLE QDBusVariant Read(const QString& gruppe, const QString& schluessel) {
        const QDBusVariant innen = lesen(gruppe, schluessel);
        return QDBusVariant(QVariant::fromValue(innen));
    }
};

// A session bus of the test's own: dbus-daemon with a configuration that
// activates nothing, listening in a temporary folder.
class EigenerBus {
public:
    bool Starten() {
        if (!ordner_.isValid())
            return false;
        const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
        if (daemon.isEmpty())
            return false;
        QFile konf(ordner_.path() + QStringLiteral("/bus.conf"));
        if (!konf.open(QIODevice::WriteOnly))
            return false;
        konf.write(
            "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
            " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
            "<busconfig><type>session</type><listen>unix:path=" +
            ordner_.path().toUtf8() +
            "/bus</listen><auth>EXTERNAL</auth>"
            "<policy context=\"default\"><allow send_destination=\"*\" eavesdrop=\"true\"/>"
            "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>\n");
        konf.close();
        prozess_.start(daemon, {QStringLiteral("--config-file=") + konf.fileName(),
                                QStringLiteral("--print-address"), QStringLiteral("--nofork")});
        if (!prozess_.waitForStarted(5000))
            return false;
        while (!prozess_.canReadLine())
            if (!prozess_.waitForReadyRead(5000))
                return false;
        adresse_ = QString::fromUtf8(prozess_.readLine()).trimmed();
        return !adresse_.isEmpty();
    }
    ~EigenerBus() {
        prozess_.kill();
        prozess_.waitForFinished(5000);
    }
    QString Adresse() const { return adresse_; }
    QString Ordner() const { return ordner_.path(); }

private:
    QTemporaryDir ordner_;
    QProcess prozess_;
    QString adresse_;
};

// The portal the test plays, on its own connection to the test's bus. All of
// it lives in a thread of its own, so that it answers while the reader waits
// for it; the test works it from outside through calls into that thread.
class Portal {
public:
    Portal(const QString& adresse, bool alt) : name_(QStringLiteral("portal-%1").arg(++zaehler_)) {
        kontext_.moveToThread(&faden_);
        faden_.start();
        imFaden([this, adresse, alt] {
            if (alt)
                einstellungen_ = std::make_unique<AltePortalEinstellungen>();
            else
                einstellungen_ = std::make_unique<PortalEinstellungen>();
            QDBusConnection bus = QDBusConnection::connectToBus(adresse, name_);
            bus.registerObject(QString::fromLatin1(Pfad), einstellungen_.get(),
                               alt ? AltePortalEinstellungen::Optionen
                                   : QDBusConnection::ExportAllSlots |
                                         QDBusConnection::ExportAllSignals);
        });
    }
    ~Portal() {
        imFaden([this] {
            QDBusConnection bus(name_);
            bus.unregisterService(QString::fromLatin1(Dienst));
            bus.unregisterObject(QString::fromLatin1(Pfad));
            einstellungen_.reset();
            QDBusConnection::disconnectFromBus(name_);
        });
        faden_.quit();
        faden_.wait();
    }
    bool Kommen() {
        bool ok = false;
        imFaden([this, &ok] {
            ok = QDBusConnection(name_).registerService(QString::fromLatin1(Dienst));
        });
        return ok;
    }
    void Gehen() {
        imFaden([this] { QDBusConnection(name_).unregisterService(QString::fromLatin1(Dienst)); });
    }
    PortalEinstellungen& Einstellungen() { return *einstellungen_; }
    // The portal tells of a change (as its backend saw the desktop change).
    void Aendern(const char* gruppe, const char* schluessel, uint wert) {
        const QString g = QString::fromLatin1(gruppe), s = QString::fromLatin1(schluessel);
        imFaden([this, g, s, wert] {
            if (g == QLatin1String(Gruppe) && s == QLatin1String(Schluessel))
                einstellungen_->wert = wert;
            emit einstellungen_->SettingChanged(g, s, QDBusVariant(QVariant::fromValue(wert)));
        });
    }

private:
    template <typename F> void imFaden(F f) {
        QMetaObject::invokeMethod(&kontext_, f, Qt::BlockingQueuedConnection);
    }

    static inline int zaehler_ = 0;
    QString name_;
    QThread faden_;
    QObject kontext_;
    std::unique_ptr<PortalEinstellungen> einstellungen_;
};

class BewegungsportalTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        bus_ = new EigenerBus;
        if (!bus_->Starten()) {
            delete bus_;
            bus_ = nullptr;
        }
    }
    static void TearDownTestSuite() {
        delete bus_;
        bus_ = nullptr;
    }
    void SetUp() override {
        ASSERT_NE(bus_, nullptr)
            << "dbus-daemon (Debian's dbus package) is needed for a bus of our own";
        ASSERT_TRUE(ordner_.isValid());
        ASSERT_TRUE(QDir(ordner_.path()).mkpath(QStringLiteral("config")));
        ASSERT_TRUE(QDir(ordner_.path()).mkpath(QStringLiteral("system")));
    }
    // An environment with the test's own folders, no gsettings tool, and the
    // test's bus (by its variable, in the runtime folder, or none).
    enum class Weg { Variable, Laufzeitordner, KeinBus };
    QProcessEnvironment Umgebung(Weg weg) const {
        QProcessEnvironment umgebung;
        umgebung.insert(QStringLiteral("HOME"), ordner_.path());
        umgebung.insert(QStringLiteral("XDG_CONFIG_HOME"),
                        ordner_.path() + QStringLiteral("/config"));
        umgebung.insert(QStringLiteral("XDG_CONFIG_DIRS"),
                        ordner_.path() + QStringLiteral("/system"));
        umgebung.insert(QStringLiteral("PATH"), ordner_.path() + QStringLiteral("/leer"));
        if (weg == Weg::Variable)
            umgebung.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), bus_->Adresse());
        else if (weg == Weg::Laufzeitordner)
            umgebung.insert(QStringLiteral("XDG_RUNTIME_DIR"), bus_->Ordner());
        else
            umgebung.insert(QStringLiteral("XDG_RUNTIME_DIR"), ordner_.path());
        return umgebung;
    }
    void KdeSagt(std::optional<bool> weniger) {
        QFile f(ordner_.path() + QStringLiteral("/config/kdeglobals"));
        if (!weniger) {
            f.remove();
            return;
        }
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(*weniger ? "[KDE]\nAnimationDurationFactor=0\n"
                         : "[KDE]\nAnimationDurationFactor=1\n");
    }

    static inline EigenerBus* bus_ = nullptr;
    QTemporaryDir ordner_;
};

TEST(Bewegungswunsch, PortalWertLesen) {
    struct Fall {
        const char* name;
        QVariant wert;
        std::optional<bool> weniger;
    };
    const auto verpackt = [](const QVariant& v) { return QVariant::fromValue(QDBusVariant(v)); };
    const Fall faelle[] = {
        {"eins", QVariant::fromValue(1u), true},
        {"null", QVariant::fromValue(0u), false},
        {"unbekannte Stufe", QVariant::fromValue(2u), std::nullopt},
        {"mit Vorzeichen", QVariant::fromValue(1), true},
        {"in einer Variante", verpackt(QVariant::fromValue(1u)), true},
        {"in zwei Varianten (Read)", verpackt(verpackt(QVariant::fromValue(0u))), false},
        {"Text", QVariant::fromValue(QStringLiteral("1")), std::nullopt},
        {"Wahrheitswert", QVariant::fromValue(true), std::nullopt},
        {"leer", QVariant(), std::nullopt},
    };
    for (const Fall& f : faelle)
        EXPECT_EQ(PortalWenigerBewegung(f.wert), f.weniger) << f.name;
}

TEST(Bewegungswunsch, SitzungsbusFinden) {
    QTemporaryDir mitBus, ohneBus, mitLeerzeichen;
    ASSERT_TRUE(mitBus.isValid() && ohneBus.isValid() && mitLeerzeichen.isValid());
    ASSERT_TRUE(QDir(mitLeerzeichen.path()).mkpath(QStringLiteral("a b")));
    for (const QString& sockel : {mitBus.path() + QStringLiteral("/bus"),
                                  mitLeerzeichen.path() + QStringLiteral("/a b/bus")}) {
        QFile f(sockel);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    struct Fall {
        const char* name;
        QString variable, laufzeit;
        QString adresse;
    };
    const Fall faelle[] = {
        {"die Variable gilt", QStringLiteral("unix:path=/x"), mitBus.path(),
         QStringLiteral("unix:path=/x")},
        {"der Sockel im Laufzeitordner",
         {},
         mitBus.path(),
         QStringLiteral("unix:path=") + mitBus.path() + QStringLiteral("/bus")},
        {"Laufzeitordner ohne Sockel", {}, ohneBus.path(), {}},
        {"gar nichts", {}, {}, {}},
        {"Leerzeichen maskiert",
         {},
         mitLeerzeichen.path() + QStringLiteral("/a b"),
         QStringLiteral("unix:path=") + mitLeerzeichen.path() + QStringLiteral("/a%20b/bus")},
    };
    for (const Fall& f : faelle) {
        QProcessEnvironment umgebung;
        if (!f.variable.isEmpty())
            umgebung.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), f.variable);
        if (!f.laufzeit.isEmpty())
            umgebung.insert(QStringLiteral("XDG_RUNTIME_DIR"), f.laufzeit);
        EXPECT_EQ(SitzungsbusAdresse(umgebung).toStdString(), f.adresse.toStdString()) << f.name;
    }
}

// At start: what the portal says decides where it answers; where it does not,
// KDE's file (standing for the other settings) does.
TEST_F(BewegungsportalTest, BeimStartGiltDasPortalSonstDerDesktop) {
    enum class Da { Keins, Neu, Alt, KenntEsNicht };
    struct Fall {
        const char* name;
        Weg weg;
        Da portal;
        uint wert;
        std::optional<bool> kde;
        bool weniger;
        bool antwortet;
    };
    const Fall faelle[] = {
        {"Portal sagt 1", Weg::Variable, Da::Neu, 1, std::nullopt, true, true},
        {"Portal sagt 0", Weg::Variable, Da::Neu, 0, std::nullopt, false, true},
        {"Portal 0 vor KDE 0-Faktor", Weg::Variable, Da::Neu, 0, true, false, true},
        {"Portal 1 vor KDE 1-Faktor", Weg::Variable, Da::Neu, 1, false, true, true},
        {"Bus im Laufzeitordner", Weg::Laufzeitordner, Da::Neu, 1, std::nullopt, true, true},
        {"altes Portal (Read) sagt 1", Weg::Variable, Da::Alt, 1, std::nullopt, true, true},
        {"altes Portal (Read) sagt 0", Weg::Variable, Da::Alt, 0, true, false, true},
        {"Portal kennt es nicht: KDE", Weg::Variable, Da::KenntEsNicht, 0, true, true, false},
        {"kein Portal: KDE", Weg::Variable, Da::Keins, 0, true, true, false},
        {"kein Portal, KDE 1-Faktor", Weg::Variable, Da::Keins, 0, false, false, false},
        {"kein Bus: KDE", Weg::KeinBus, Da::Keins, 0, true, true, false},
    };
    for (const Fall& f : faelle) {
        KdeSagt(f.kde);
        std::unique_ptr<Portal> portal;
        if (f.portal != Da::Keins) {
            portal = std::make_unique<Portal>(bus_->Adresse(), f.portal == Da::Alt);
            portal->Einstellungen().wert = f.wert;
            if (f.portal == Da::KenntEsNicht)
                portal->Einstellungen().antwort = Antwort::KenntEsNicht;
            ASSERT_TRUE(portal->Kommen()) << f.name;
        }
        Bewegungswunsch wunsch(Umgebung(f.weg));
        wunsch.Starten();
        EXPECT_EQ(wunsch.WenigerBewegung(), f.weniger) << f.name;
        EXPECT_EQ(wunsch.PortalAntwortet(), f.antwortet) << f.name;
    }
}

// While the bar runs: the portal's changes are followed, other settings of
// the portal are not taken for this one, and a portal that ends or starts
// hands the word over.
TEST_F(BewegungsportalTest, FolgtDemPortalImLauf) {
    KdeSagt(true);
    Portal portal(bus_->Adresse(), false);
    portal.Einstellungen().wert = 0;
    ASSERT_TRUE(portal.Kommen());
    Bewegungswunsch wunsch(Umgebung(Weg::Variable));
    QSignalSpy geaendert(&wunsch, &Bewegungswunsch::geaendert);
    wunsch.Starten();
    ASSERT_FALSE(wunsch.WenigerBewegung());

    enum class Tat { Aendern, AndererSchluessel, Gehen, Kommen };
    struct Schritt {
        const char* name;
        Tat tat;
        uint wert;
        bool weniger;
        bool meldet; // geaendert is emitted
    };
    const Schritt schritte[] = {
        {"Portal sagt 1", Tat::Aendern, 1, true, true},
        {"eine andere Einstellung", Tat::AndererSchluessel, 0, true, false},
        {"Portal sagt 0", Tat::Aendern, 0, false, true},
        {"Portal geht: KDE spricht", Tat::Gehen, 0, true, true},
        {"Portal kommt wieder mit 0", Tat::Kommen, 0, false, true},
        {"Portal sagt wieder 1", Tat::Aendern, 1, true, true},
    };
    for (const Schritt& s : schritte) {
        geaendert.clear();
        switch (s.tat) {
        case Tat::Aendern:
            portal.Aendern(Gruppe, Schluessel, s.wert);
            break;
        case Tat::AndererSchluessel:
            portal.Aendern(Gruppe, "color-scheme", s.wert);
            break;
        case Tat::Gehen:
            portal.Gehen();
            break;
        case Tat::Kommen:
            portal.Einstellungen().wert = s.wert;
            ASSERT_TRUE(portal.Kommen()) << s.name;
            break;
        }
        if (s.meldet) {
            ASSERT_TRUE(geaendert.wait(5000)) << s.name;
            EXPECT_EQ(geaendert.takeFirst().at(0).toBool(), s.weniger) << s.name;
        } else {
            // What does not concern us is passed over: a later change still
            // arrives, and nothing before it.
            portal.Aendern(Gruppe, Schluessel, 0);
            ASSERT_TRUE(geaendert.wait(5000)) << s.name;
            EXPECT_EQ(geaendert.size(), 1) << s.name;
            EXPECT_FALSE(geaendert.takeFirst().at(0).toBool()) << s.name;
            portal.Aendern(Gruppe, Schluessel, 1);
            ASSERT_TRUE(geaendert.wait(5000)) << s.name;
            geaendert.clear();
        }
        EXPECT_EQ(wunsch.WenigerBewegung(), s.weniger) << s.name;
    }
}

} // namespace

#include "Bewegungsportal_test.moc"
