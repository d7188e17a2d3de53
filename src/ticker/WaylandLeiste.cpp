#include "WaylandLeiste.h"
#include "Protokoll.h"

#include "Band.h"
#include "Panel3D.h"
#include "Terminal.h"
#include "WaylandAnsicht.h"
#include "WaylandEingabe.h"
#include "WaylandFlaeche.h"
#include "WaylandHinweis.h"
#include "WaylandMenue.h"
#include "WaylandPuffer.h"

#include <wayland-client.h>

#include <QGuiApplication>
#include <QPainter>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstring>

namespace pinwick {

namespace {

// The Terminal as the Wayland surface sees it.
class TerminalAnsicht : public LeistenAnsicht {
public:
    explicit TerminalAnsicht(Terminal& leiste) : leiste_(leiste) {}
    QWidget* Widget() const override { return &leiste_; }
    bool Unten() const override { return leiste_.Layout().leisteOben > 0; }
    QString DatumText() const override { return text(leiste_.DatumPan()); }
    QString UhrText() const override { return text(leiste_.UhrPan()); }
    QRect BandRechteck() const override {
        return QRect(band()->mapTo(&leiste_, QPoint(0, 0)), band()->size());
    }
    bool BandAktiv() const override { return band()->isEnabled(); }
    double BandX() const override { return band()->X(); }
    bool BandLeer() const override { return band()->Leer(); }
    qint64 BandAuslegungen() const override { return band()->Statistik().auslegen; }
    void BandMalen(QPainter& maler) override { band()->Malen(maler); }
    QMenu* Menue() const override { return leiste_.KontextMen(); }

private:
    static QString text(const Panel3D* panel) {
        return panel->isHidden() ? QString() : panel->text();
    }
    Band* band() const { return leiste_.NotizPan(); }
    Terminal& leiste_;
};

constexpr Puffervorrat::Satz LeistenSatz = Puffervorrat::Satz::Leiste;

} // namespace

// The parts in the order they are made; they go in the reverse order: the
// menu's popup, the bar's surface, the buffers, then the connection with
// its globals.
struct WaylandLeiste::Zustand : WaylandVerbindung::Hoerer, WaylandFlaeche::Hoerer {
    Zustand(Terminal& leiste, WaylandLeiste& selbst, wl_display* anzeige)
        : ansicht(leiste), selbst(selbst), verbindung(anzeige, *this), vorrat(verbindung),
          flaeche(verbindung, ansicht, *this), menue(verbindung, flaeche, vorrat, ansicht, zeiger),
          hinweis(verbindung, flaeche, vorrat, ansicht, menue, zeiger),
          eingabe(flaeche, menue, hinweis, ansicht, zeiger) {}

    TerminalAnsicht ansicht;
    WaylandLeiste& selbst;
    WaylandVerbindung verbindung;
    Puffervorrat vorrat;
    WaylandFlaeche flaeche;
    Zeigerstand zeiger;
    WaylandMenue menue;
    WaylandHinweis hinweis;
    WaylandEingabe eingabe;
    bool gebunden = false;
    bool ausgabeVerloren = false; // the bar's output is going

    // What was committed last: the bar changes its picture only with these.
    uint64_t ganzStand = 1;
    double bandX = 0;
    bool bandLeer = true;
    qint64 bandAuslegen = -1;
    QString datum, uhr;
    bool aktiv = true;
    bool ersterStrich = true;
    Zaehler zaehler;

    void zeichnen(bool erzwingen);
    bool malen(Puffervorrat::Puffer& p, bool erzwingen, int b, int h);
    // The menu and the tooltip are popups of the surface and go with it.
    void flaecheWeg() {
        hinweis.Zu();
        menue.Zu();
        flaeche.Weg();
    }
    // A new surface on whatever output is first now, once the event that
    // took the old one is done.
    void spaeterMachen() {
        QTimer::singleShot(0, &selbst, [this] {
            if (!flaeche.Da())
                flaeche.Machen();
        });
    }

    // ---- WaylandVerbindung::Hoerer
    void AusgabeDazu() override {
        // The first output to appear while the bar has none gets it.
        if (gebunden && !flaeche.Konfiguriert() && !flaeche.Da())
            spaeterMachen();
    }
    void AusgabeGeht(uint32_t name) override {
        ausgabeVerloren = name == flaeche.AusgabeName();
        if (ausgabeVerloren)
            flaecheWeg();
    }
    void AusgabeGegangen() override {
        if (std::exchange(ausgabeVerloren, false))
            flaeche.Machen();
    }
    void AusgabeSkala(uint32_t name, int skala) override {
        if (name != flaeche.AusgabeName() || skala == flaeche.Skala())
            return;
        flaeche.SkalaSetzen(skala);
        ++ganzStand;
        zeichnen(true);
    }
    void ZeigerDa(wl_pointer* z) override { eingabe.ZeigerHoeren(z); }
    void TastaturDa(wl_keyboard* t) override { eingabe.TastaturHoeren(t); }

    // ---- WaylandFlaeche::Hoerer
    void Konfiguriert() override {
        ++ganzStand;
        zeichnen(true);
    }
    void Geschlossen() override {
        flaecheWeg();
        spaeterMachen();
    }
};

void WaylandLeiste::Zustand::zeichnen(bool erzwingen) {
    if (verbindung.Verloren() || !flaeche.Konfiguriert() || !flaeche.Da())
        return;
    const int b = flaeche.Breite() > 0 ? flaeche.Breite() : ansicht.Widget()->width();
    const int h = flaeche.Hoehe() > 0 ? flaeche.Hoehe() : ansicht.Widget()->height();
    if (b <= 0 || h <= 0)
        return;

    // The date, the clock, the enabled state: any change there draws the
    // whole bar; otherwise only the band, and only when it moved or changed.
    const QString d = ansicht.DatumText();
    const QString u = ansicht.UhrText();
    const bool aktivJetzt = ansicht.BandAktiv();
    if (d != datum || u != uhr || aktivJetzt != aktiv) {
        datum = d;
        uhr = u;
        aktiv = aktivJetzt;
        ++ganzStand;
    }
    const bool bandGleich = ansicht.BandX() == bandX && ansicht.BandLeer() == bandLeer &&
                            ansicht.BandAuslegungen() == bandAuslegen;
    const auto& alle = vorrat.Alle(LeistenSatz);
    const bool ganzFehlt = std::none_of(alle.begin(), alle.end(), [this](const auto& q) {
        return q.stand == ganzStand;
    });
    if (!erzwingen && bandGleich && !ganzFehlt && !ersterStrich)
        return;
    const int skala = flaeche.Skala();
    Puffervorrat::Puffer* p = vorrat.Freier(LeistenSatz, b * skala, h * skala, skala);
    zaehler.puffer = vorrat.Gemacht(LeistenSatz);
    if (!p) {
        // The compositor holds every buffer (it is not showing the bar right
        // now): this picture is skipped; the next tick draws the position
        // it has come to.
        ++zaehler.ohnePuffer;
        return;
    }
    if (malen(*p, erzwingen, b, h))
        ++zaehler.ganz;
    vorrat.Anhaengen(LeistenSatz, p, flaeche.Oberflaeche());
    flaeche.Zeigen(skala);
    ++zaehler.commits;
    ersterStrich = false;
    bandX = ansicht.BandX();
    bandLeer = ansicht.BandLeer();
    bandAuslegen = ansicht.BandAuslegungen();
    verbindung.Senden();
}

// Draws into the buffer what differs from what the compositor shows, marks
// it damaged, and says whether that was the whole bar.
bool WaylandLeiste::Zustand::malen(Puffervorrat::Puffer& p, bool erzwingen, int b, int h) {
    const QRect bandRechteck = ansicht.BandRechteck();
    const Puffervorrat::Puffer* letzter = vorrat.Zuletzt(LeistenSatz);
    bool ganz = erzwingen || p.stand != ganzStand || ersterStrich;
    if (ganz && !erzwingen && !ersterStrich && letzter && letzter != &p &&
        letzter->stand == ganzStand && letzter->bild.size() == p.bild.size()) {
        // The buffer last shown has the bar as it is now but for the band:
        // copying it is cheaper than drawing the panels again, and only the
        // band differs from what the compositor has.
        std::memcpy(p.bild.bits(), letzter->bild.constBits(), size_t(p.bild.sizeInBytes()));
        p.stand = ganzStand;
        ganz = false;
    }
    if (ganz) {
        QWidget* leiste = ansicht.Widget();
        QPainter maler(&p.bild);
        maler.fillRect(p.bild.rect(), leiste->palette().color(QPalette::Window));
        maler.end();
        leiste->render(&p.bild, QPoint(0, 0), QRegion(),
                       QWidget::DrawWindowBackground | QWidget::DrawChildren);
        p.stand = ganzStand;
        flaeche.Beschaedigen(QRect(0, 0, b, h));
    } else {
        // The band draws itself from the tiles it keeps; straight onto the
        // buffer, without a paint event's round through the widget.
        QPainter maler(&p.bild);
        maler.translate(bandRechteck.topLeft());
        maler.setClipRect(QRect(QPoint(0, 0), bandRechteck.size()));
        ansicht.BandMalen(maler);
        flaeche.Beschaedigen(bandRechteck);
    }
    return ganz;
}

// ---- the object

WaylandLeiste::WaylandLeiste(Terminal& leiste, wl_display* anzeige)
    : QObject(&leiste), z_(std::make_unique<Zustand>(leiste, *this, anzeige)) {}

WaylandLeiste::~WaylandLeiste() = default;

std::unique_ptr<WaylandLeiste> WaylandLeiste::Oeffnen(Terminal& leiste, wl_display* verbindung) {
    if (!verbindung)
        verbindung = wl_display_connect(nullptr);
    if (!verbindung)
        return nullptr;
    std::unique_ptr<WaylandLeiste> w(new WaylandLeiste(leiste, verbindung));
    Zustand& z = *w->z_;
    if (!z.verbindung.Binden())
        return nullptr;
    z.gebunden = true;
    z.verbindung.Anschliessen();
    z.flaeche.Machen();
    return w;
}

void WaylandLeiste::Layout() {
    ++z_->ganzStand;
    z_->flaeche.Verankern();
    z_->flaeche.Festschreiben();
}

void WaylandLeiste::Schritt() {
    z_->zeichnen(false);
}

void WaylandLeiste::GanzZeichnen() {
    ++z_->ganzStand;
    z_->zeichnen(true);
}

void WaylandLeiste::Abgleichen() {
    z_->verbindung.Abgleichen();
}

bool WaylandLeiste::Bereit() const {
    return z_->flaeche.Konfiguriert() && z_->flaeche.Da();
}

const WaylandLeiste::Zaehler& WaylandLeiste::Statistik() const {
    return z_->zaehler;
}

QString WaylandLeiste::HinweisText() const {
    return z_->hinweis.Offen() ? z_->hinweis.Text() : QString();
}

bool LeisteAufWayland(Terminal& leiste, LeistenPlattform& plattform) {
    if (plattform.Weg() != LeistenWeg::WaylandSchicht ||
        QGuiApplication::platformName() != QLatin1String("wayland")) {
        plattform.Schliessen();
        return false;
    }
    std::unique_ptr<WaylandLeiste> w = WaylandLeiste::Oeffnen(leiste, plattform.VerbindungNehmen());
    if (!w) {
        qCWarning(logWayland, "the bar could not get a layer surface; it is an ordinary window.");
        return false;
    }
    WaylandLeiste* roh = w.release(); // the bar owns it as its child
    leiste.flaeche = roh;
    roh->GanzZeichnen();
    return true;
}

} // namespace pinwick
