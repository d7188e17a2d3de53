#include "Terminal.h"
#include "Oberflaeche.h"

#include "LeistenFlaeche.h"

#include "About.h"
#include "Band.h"
#include "Datenbank.h"
#include "FeedLesen.h"
#include "FliegBubble.h"
#include "Hilfen.h"
#include "ImmerOben.h"
#include "Masse.h"
#include "Panel3D.h"
#include "Protokoll.h"
#include "Randreservierung.h"
#include "SchriftEinpassen.h"
#include "Shell.h"
#include "Speicher.h"
#include "Versuche.h"

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QFile>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QScreen>
#include <QStyleHints>
#include <QTimerEvent>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

namespace pinwick {

namespace {

// The date and clock panels have their design widths, meant for a narrow
// small font. The system's font at 8 points is taken, smaller when the widest
// captions would not fit.
QFont panelSchrift(int breitePx, int randPx) {
    const QString breiteste[] = {QStringLiteral("12:59:59 pm"), QStringLiteral("28/08/28")};
    return SchriftEinpassen(QApplication::font(), 8, 5.5, 0.5, [&](const QFontMetrics& fm) {
        for (const QString& text : breiteste)
            if (fm.horizontalAdvance(text) + 2 * randPx > breitePx)
                return false;
        return true;
    });
}

// Inner height of the bubble window; a bubble above a bar at the bottom
// opens this far up.
constexpr int BubbleInnenHoehe = 1215;

constexpr int TaktMs = TickerInhalt::TaktMs;
// A broadcast receiver tests the broadcaster's file this often while the band
// stands still (a moving band tests it at every tick).
constexpr int NetzWachtMs = 1000;

} // namespace

Terminal::Terminal(Programm& p, QWidget* eltern)
    : QWidget(eltern, Qt::Tool | Qt::FramelessWindowHint), p_(p), inhalt_(p), update_(p),
      uhr_(p.uhr) {
    setWindowTitle(QStringLiteral("Pinwick"));
    setWindowFlag(Qt::WindowStaysOnTopHint, p_.ImmerOben);
    // Clicked, the bar takes the keyboard so that F1 and Ctrl-N reach it.
    setFocusPolicy(Qt::ClickFocus);

    notizPan_ = new Band(this);
    datumPan_ = new Panel3D(this);
    uhrPan_ = new Panel3D(this);
    connect(notizPan_, &Band::doppelKlick, this, [this] {
        klick_.Doppelklick();
        klickUhr_.stop();
        if (p_.eigeneErlauben)
            Verwaltung();
    });
    // A feed's item: its page opens once no second click came, its summary
    // is the tooltip.
    connect(notizPan_, &Band::geklickt, this, [this](int eintrag) { feedGeklickt(eintrag); });
    klickUhr_.setSingleShot(true);
    connect(&klickUhr_, &QTimer::timeout, this, [this] { feedOeffnen(); });
    notizPan_->hinweisFuer = [this](int eintrag) {
        const FeedVerweis* v = verweisAn(eintrag);
        return v ? v->tooltip : QString();
    };
    // The pointer on the band stands it.
    notizPan_->installEventFilter(this);
    menue_ = std::make_unique<LeistenMenue>(*this);
    menueBinden();
    bewegungLesen();

    inhaltVerbinden();
    bildschirmeBeobachten();

    // The daily update check: once by its own timer 3 s after the bar loads,
    // then at every rebuild but the first.
    update_.programmBeenden = [this] { Beenden(); };
    inhalt_.updatePruefen = [this] { update_.Pruefen(); };
    updateTim_.setSingleShot(true);
    updateTim_.setInterval(3000);
    connect(&updateTim_, &QTimer::timeout, this, [this] { update_.Pruefen(); });

    // Notes written into the own file by another program show at once.
    wache_.Beobachten(p_.datenbankDatei);
    connect(&wache_, &DateiWache::geaendert, this, [this] {
        inhalt_.EigeneNeuLesen();
        // "pinwick-notes receive" switches the broadcast of a running bar.
        if (BroadcastWahlNachladen(p_))
            MachLayout();
        // A sleeping bar wakes for it at the next step.
        planen();
    });

    // Loading the bar.
    SpracheEinstellen();
    linkerRand_ = 100;
    ScrollSchrittSetzen();
    p_.aufbauZaehler = 100;
    Oberflaeche::Von(p_).leiste = this;
    MachLayout();
    // A panel to the desktop, not a window among others.
    AlsDockSetzen(*this);
    Timer1Aktiv(true);
    updateTim_.start();
}

Terminal::~Terminal() {
    timer1_.stop();
    if (Oberflaeche::Von(p_).leiste == this)
        Oberflaeche::Von(p_).leiste = nullptr;
}

void Terminal::inhaltVerbinden() {
    // The display mode only asks whether the text is wider than the band:
    // a long text is measured no further than that.
    inhalt_.textBreite = [this](const QString& text) {
        return notizPan_->TextBreite(text, layout_.notizPan.width());
    };
    inhalt_.bandBreite = [this] { return layout_.notizPan.width(); };
    inhalt_.leistenBreite = [this] { return layout_.leisteBreite; };
    inhalt_.leistenInnenHoehe = [this] { return layout_.leisteHoehe; };
    inhalt_.leistenOben = [this] { return layout_.leisteOben; };
    inhalt_.bubbleInnenHoehe = [] { return BubbleInnenHoehe; };
    inhalt_.bubbleZeigen = [this](int links, int oben, const QString& text) {
        BubbleZeigen(p_, links, oben, text);
    };
    inhalt_.bubbleSchliessen = [] {
        if (BubbleSichtbar())
            BubbleSchliessen();
    };
    inhalt_.neuLayout = [this] { MachLayout(); };
    // Fetched items show at the next step, without waiting for the rebuild.
    inhalt_.feedsGeaendert = [this] { planen(); };
    inhalt_.feedTakt = FeedTaktAusUmgebung(qgetenv("PINWICK_FEEDS_SCHNELLER"));
    inhalt_.feedCache = FeedCacheStandardPfad();
    inhalt_.textNeu = [this] {
        notizPan_->Leeren();
        ZeichenPositionZuruecksetzen();
        // A screen reader reads the notes the band shows now.
        notizPan_->setAccessibleDescription(BandZugangsText(p_.eintraege, p_.Sprache));
    };
}

void Terminal::menueBinden() {
    // Queued, so that the menu has closed before a command opens a window
    // or ends the program.
    const auto binden = [this](QAction* eintrag, void (Terminal::*befehl)()) {
        connect(eintrag, &QAction::triggered, this, befehl, Qt::QueuedConnection);
    };
    binden(menue_->Neu(), &Terminal::NeueNotiz);
    binden(menue_->Verwaltung(), &Terminal::Verwaltung);
    binden(menue_->Einstellungen(), &Terminal::EinstellungenOeffnen);
    binden(menue_->Feeds(), &Terminal::FeedsOeffnen);
    binden(menue_->Hilfe(), &Terminal::Hilfe);
    binden(menue_->About(), &Terminal::UeberZeigen);
    binden(menue_->Ende(), &Terminal::Ende);
    binden(menue_->Anhalten(), &Terminal::AnhaltenUmschalten);
    connect(menue_->TrotzdemScrollen(), &QAction::triggered, this,
            [this](bool an) { TrotzdemScrollenSetzen(an); }, Qt::QueuedConnection);
}

void Terminal::hinweiseSetzen() {
    // The bar is rarely the active window; its hint shows all the same.
    setAttribute(Qt::WA_AlwaysShowToolTips);
    setToolTip(LeistenHinweis(p_.Sprache, layout_.notizMenues));
    const ZugangsNamen namen = LeistenZugangsNamen(p_.Sprache);
    setAccessibleName(namen.leiste);
    datumPan_->setAccessibleName(namen.datum);
    uhrPan_->setAccessibleName(namen.uhr);
    notizPan_->setAccessibleName(namen.band);
    notizPan_->setAccessibleDescription(BandZugangsText(p_.eintraege, p_.Sprache));
}

void Terminal::SpracheEinstellen() {
    hinweiseSetzen();
    menue_->Beschriften(p_.Sprache);
    menue_->Laufschrift(bewegung_.IstAngehalten(), bewegung_.WirdWenigerBewegt(),
                        bewegung_.ScrolltTrotzdem());
    // A page cut for the band says its whole text in the new language's name.
    neuZeichnen_ = true;
    planen();
}

void Terminal::ScrollSchrittSetzen() {
    scrollSchritt_ = pinwick::ScrollSchritt(p_.Speed);
}

QFont Terminal::bandSchrift() const {
    QFont schrift(p_.SchriftName);
    schrift.setPointSize(p_.SchriftGroesse > 0 ? p_.SchriftGroesse : 8);
    schrift.setBold(p_.SchriftFett);
    schrift.setItalic(p_.SchriftKursiv);
    return schrift;
}

void Terminal::MachLayout() {
    // Moving the bar resizes it, and a resize lays it out: once is enough.
    if (layoutLaeuft_)
        return;
    layoutLaeuft_ = true;

    const QRect schirm = Bildschirm();
    // The height of "test" in the bar's font: its name and size, as the band
    // has them.
    QFont leistenSchrift(p_.SchriftName);
    leistenSchrift.setPointSize(p_.SchriftGroesse > 0 ? p_.SchriftGroesse : 8);
    const int textHoehe = Twips(QFontMetrics(leistenSchrift).height());
    layout_ = LeisteBerechnen(p_, Twips(schirm.width()), Twips(schirm.height()), textHoehe);
    const Leistenlayout& l = layout_;

    hintergrund_ = Farbe(p_.fensterHgFarbe);

    for (Panel3D* panel : {datumPan_, uhrPan_}) {
        panel->setRand(l.panelKante);
        panel->setHintergrund(p_.uhrHgFarbe);
        panel->setSchriftFarbe(p_.UhrSchriftFarbe);
        panel->setVisible(l.uhrSichtbar);
    }
    datumPan_->setGeometry(PxLage(l.datumPan));
    uhrPan_->setGeometry(PxLage(l.uhrPan));
    const QMargins raender = uhrPan_->contentsMargins();
    const QFont klein =
        panelSchrift(uhrPan_->width(), std::max(raender.left(), raender.right()) + 1);
    datumPan_->setFont(klein);
    uhrPan_->setFont(klein);
    notizPan_->setGeometry(PxLage(l.notizPan));
    notizPan_->Aussehen(bandSchrift(), Farbe(p_.notizHgFarbe), Farbe(p_.SchriftFarbe),
                        Farbe(p_.SchriftFarbe2), l.textOben);

    geometrie_ = PxLage(QRect(l.leisteLinks, l.leisteOben, l.leisteBreite, l.leisteHoehe))
                     .translated(schirm.topLeft());
    schirm_ = schirm;
    // The same text measured against the band as it is now: a narrower
    // screen or a larger font makes it scroll, the reverse lets it stand.
    inhalt_.ModusNachLayout();
    setGeometry(geometrie_);
    // Maximised windows stop at the bar's edge, wherever and however tall it is now.
    RandReservieren(*this, p_.dockPos != 0);
    update();

    ZeichenPositionZuruecksetzen();

    // The hint names the note commands only while they are offered.
    hinweiseSetzen();
    menue_->NotizBefehleZeigen(l.notizMenues);

    // The update notice follows the bar; a hidden one goes.
    versuche([this] { update_.SignalAnLeiste(); });

    layoutLaeuft_ = false;
    // A surface of its own takes the new size and edge.
    if (flaeche)
        flaeche->NachLayout();
    // The text starts over at the margin: it is drawn at the next tick.
    planen();
    p_.EreignisseZulassen();
}

void Terminal::FormAktiv(bool an) {
    // The update notice's timer is not the bar's to switch; everything else
    // follows, the ticker timer included.
    notizPan_->setEnabled(an);
    Timer1Aktiv(an);
    datumPan_->setEnabled(an);
    uhrPan_->setEnabled(an);
    menue_->Aktiv(an);
}

void Terminal::Timer1Aktiv(bool an) {
    if (!an) {
        if (timer1An_) {
            // The ticks that passed in the last sleep count, as if the timer
            // had been awake for them. The time it stands still does not.
            const int takte = takteZaehlen();
            if (p_.aufbauZaehler < TickerInhalt::AufbauTakte)
                p_.aufbauZaehler = static_cast<int16_t>(
                    std::min(p_.aufbauZaehler + takte, int(TickerInhalt::AufbauTakte)));
        }
        timer1_.stop();
        timer1Ms_ = -1;
        timer1An_ = false;
        return;
    }
    if (!timer1An_)
        // A started timer ticks 50 ms after its start, and in steps of 50 ms
        // from there.
        taktBasis_ = p_.uhr.Monoton();
    timer1An_ = true;
    planen();
}

void Terminal::Wecken() {
    baldTakt_ = true;
    planen();
}

void Terminal::AufbauAnfordern() {
    p_.aufbauZaehler = TickerInhalt::AufbauTakte;
    planen();
}

void Terminal::ZeichenPositionZuruecksetzen() {
    position_ = linkerRand_ + 1;
    standBei_ = std::numeric_limits<double>::quiet_NaN();
    neuZeichnen_ = true;
    // A new layout or text: the pages are laid out anew for the band's width.
    seitenGueltig_ = false;
    planen();
}

int Terminal::takteZaehlen() {
    const qint64 jetzt = p_.uhr.Monoton();
    if (jetzt < taktBasis_) {
        // Only a clock swapped under the bar goes back; count from here.
        taktBasis_ = jetzt;
        return 0;
    }
    const qint64 takte = (jetzt - taktBasis_) / TaktMs;
    taktBasis_ += takte * TaktMs;
    return static_cast<int>(std::min<qint64>(takte, TickerInhalt::AufbauTakte));
}

bool Terminal::bewegt() const {
    if (p_.gezeigterText.isEmpty())
        return false;
    // A standing or paged band sleeps like static text: it ticks only to be
    // drawn anew.
    if (bewegung_.Zustand() != BandBewegung::Art::Laufend)
        return neuZeichnen_;
    // Static text waits at the margin + 1 until a tick draws it; scrolling
    // text moves at every tick.
    return p_.anzeigeModus != TickerInhalt::Statisch || position_ > linkerRand_;
}

qint64 Terminal::NaechsterTaktIn() const {
    const qint64 jetzt = p_.uhr.Monoton();
    // The ticks keep the 50 ms steps they had from the start, asleep or
    // awake: whatever falls due is done at the first step at or after it,
    // as when the timer never slept.
    const auto schrittAb = [this](qint64 moment) {
        if (moment <= taktBasis_)
            return taktBasis_;
        return taktBasis_ + (moment - taktBasis_ + TaktMs - 1) / TaktMs * TaktMs;
    };
    // The following tick: the first step after now.
    const qint64 folgender = schrittAb(jetzt + 1) - jetzt;
    if (bewegt() || baldTakt_ || inhalt_.TakteBisAufbau() == 0)
        return folgender;
    qint64 faellig = taktBasis_ + qint64(inhalt_.TakteBisAufbau()) * TaktMs;
    if (!uhrPan_->isHidden()) {
        faellig = std::min(faellig, jetzt + uhr_.MsBisFaellig(p_.Sprache));
    }
    // Pages that turn by themselves: the next page.
    if (bewegung_.BlaettertSelbst() && seiten_.size() > 1 && !p_.gezeigterText.isEmpty())
        faellig = std::min(faellig, seiteSeit_ + seitenDauer());
    if (inhalt_.NetzWacht()) {
        faellig = std::min<qint64>(faellig, jetzt + NetzWachtMs);
        // After an outage the file is tested again once the clock has moved
        // into a later minute.
        if (p_.netzFehler)
            faellig = std::min(faellig, jetzt + MsBisZumNaechsten(p_.uhr.Millisekunden(), 60000));
    }
    // A receiver's reading put off after the broadcaster's file changed.
    if (const int verzug = inhalt_.MsBisVerzugEnde(); verzug >= 0)
        faellig = std::min<qint64>(faellig, jetzt + verzug);
    // Nothing is done before the following tick: what fell due while the
    // timer stood still is done at the first tick after it starts again.
    return std::max(schrittAb(faellig) - jetzt, folgender);
}

void Terminal::planen(bool ausTakt) {
    if (!timer1An_)
        return;
    int ms = 0;
    if (bewegt()) {
        // A moving band keeps its timer repeating every 50 ms: restarting it
        // at every tick would cost a new timer per step. The first tick comes
        // at the next step; that tick starts the repeating timer.
        if (timer1Ms_ == TaktMs && timer1_.isActive())
            return;
        ms = ausTakt ? TaktMs : static_cast<int>(NaechsterTaktIn());
    } else {
        ms = static_cast<int>(std::clamp<qint64>(NaechsterTaktIn(), 0,
                                                 qint64(TickerInhalt::AufbauTakte) * TaktMs));
    }
    // Coarse timers may stretch a tick by a few milliseconds, which shows as
    // jerky scrolling, and a second of the clock would show late.
    timer1_.start(ms, Qt::PreciseTimer, this);
    timer1Ms_ = ms;
}

void Terminal::bildschirmeBeobachten() {
    // A standing bar does not look at the screen at every tick: a screen
    // that changes size, or another one made primary, wakes it.
    const auto beobachten = [this](QScreen* schirm) {
        if (schirm)
            connect(schirm, &QScreen::geometryChanged, this, &Terminal::Wecken);
    };
    for (QScreen* schirm : QGuiApplication::screens())
        beobachten(schirm);
    connect(qApp, &QGuiApplication::screenAdded, this, beobachten);
    connect(qApp, &QGuiApplication::primaryScreenChanged, this, &Terminal::Wecken);
}

void Terminal::obenHalten(bool oben) {
    ImmerObenSetzen(*this, oben);
    // The panel's place among the other windows follows.
    AlsDockSetzen(*this);
}

void Terminal::FensterOrdnung() {
    obenHalten(p_.ImmerOben);
    if (p_.ImmerOben && isVisible())
        raise();
}

void Terminal::Tick() {
    const int takte = takteZaehlen();
    baldTakt_ = false;
    inhalt_.NetzWiederholung();
    // The bar follows the primary screen: narrower than it, moved, resized,
    // or another screen made primary.
    const QRect schirm = Bildschirm();
    if (width() < schirm.width() || schirm != schirm_)
        MachLayout();
    if (!uhrPan_->isHidden())
        uhrAnzeigen();
    inhalt_.NotizMachen(takte);
    zeichnenUndScrollen();
    // A surface of its own shows the step.
    if (flaeche)
        flaeche->NachTick();
    planen(true);
}

void Terminal::uhrAnzeigen() {
    if (!uhr_.Stellen(p_.Sprache))
        return;
    datumPan_->setText(uhr_.Anzeige().datum);
    uhrPan_->setText(uhr_.Anzeige().uhr);
}

void Terminal::zeichnenUndScrollen() {
    if (p_.gezeigterText.isEmpty()) {
        notizPan_->Leeren();
        notizPan_->MarkeSetzen({});
        neuZeichnen_ = false;
        return;
    }
    switch (bewegung_.Zustand()) {
    case BandBewegung::Art::Seitenweise:
        seiteZeigen();
        return;
    case BandBewegung::Art::Stehend:
        // Where it stood: the last step shown, not the one after it.
        if (neuZeichnen_)
            zeigenBei(std::isnan(standBei_) ? RundeGerade32(position_) : standBei_);
        neuZeichnen_ = false;
        return;
    case BandBewegung::Art::Laufend:
        break;
    }
    const bool scrollend = p_.anzeigeModus != TickerInhalt::Statisch;
    // Static text was drawn once at the margin and stays as it is (drawn
    // again only after the band showed pages).
    if (!scrollend && position_ <= linkerRand_) {
        if (neuZeichnen_ && !std::isnan(standBei_))
            zeigenBei(standBei_);
        neuZeichnen_ = false;
        return;
    }
    neuZeichnen_ = false;
    const double x = RundeGerade32(position_);
    zeigenBei(x);
    // Kept within one pass of the band (BandLayout::Weiter).
    position_ = notizPan_->Weiter(x, scrollSchritt_);
}

} // namespace pinwick
