// The bar's band held still or moving: pointer and focus, the reader's
// stop, the desktop's wish for less motion, and the pages a band shows
// while it stands (BandBewegung decides, this puts it on the screen).

#include "Terminal.h"

#include "Band.h"
#include "Datenbank.h"
#include "Hilfen.h"
#include "Masse.h"
#include "Panel3D.h"
#include "Versuche.h"

#include <QFontMetrics>
#include <algorithm>
#include <cmath>

namespace pinwick {

namespace {

// The reader's choices about the band's motion, kept in the own settings
// row. A file of an older version gets the columns when it is opened; one
// that lacks them (a test's, a store that could not be extended) keeps the
// choice for the session only.
constexpr char16_t AngehaltenSpalte[] = u"laufschriftAngehalten";
constexpr char16_t TrotzdemSpalte[] = u"laufschriftTrotzdem";

bool schalterLesen(Programm& p, const char16_t* spalte) {
    bool an = false;
    versuche([&] {
        Datensatzmenge* rs = p.lokaleEinstellungen.get();
        if (!rs || rs->Spalte(spalte) < 0)
            return;
        rs->MoveFirst();
        const Wert w = rs->Feld(spalte);
        an = !w.istNull() && w.alsInt32() != 0;
    });
    return an;
}

void schalterSchreiben(Programm& p, const char16_t* spalte, bool an) {
    versuche([&] {
        Datensatzmenge* rs = p.lokaleEinstellungen.get();
        if (!rs || rs->Spalte(spalte) < 0)
            return;
        rs->MoveFirst();
        rs->Edit();
        try {
            rs->Setze(spalte, Wert(an ? 1 : 0));
            rs->Update();
        } catch (...) {
            versuche([&] { rs->CancelUpdate(); });
            throw;
        }
    });
}
} // namespace

void Terminal::bewegungLesen() {
    bewegung_.Angehalten(schalterLesen(p_, AngehaltenSpalte));
    bewegung_.TrotzdemScrollen(schalterLesen(p_, TrotzdemSpalte));
}

void Terminal::zeigenBei(double x) {
    const bool scrollend = p_.anzeigeModus != TickerInhalt::Statisch;
    if (seitenGezeigt_) {
        // Back from pages: no mark, and the band's own name.
        seitenGezeigt_ = false;
        notizPan_->MarkeSetzen({});
        notizPan_->setToolTip({});
        notizPan_->setAccessibleName(LeistenZugangsNamen(p_.Sprache).band);
        seitenGueltig_ = false;
        seiten_.clear();
    }
    notizPan_->Zeigen(p_.eintraege, p_.eintraegeStand, p_.trennText, scrollend, x);
    standBei_ = x;
}

// ---- pages

void Terminal::seitenBilden() {
    seiten_.clear();
    seitenGueltig_ = true;
    seitenStand_ = p_.eintraegeStand;
    seite_ = 0;
    seiteSeit_ = p_.uhr.Monoton();
    const int band = layout_.notizPan.width() - (linkerRand_ + 1);
    const int trenn = notizPan_->TextBreite(p_.trennText + u' ');
    std::vector<int> breiten;
    breiten.reserve(p_.eintraege.size());
    for (const Eintrag& e : p_.eintraege)
        breiten.push_back(notizPan_->TextBreite(e.text + u' ', band + 1));
    seiten_ = SeitenBilden(breiten, trenn, band);
    if (seiten_.size() > 1) {
        // More than one page: the mark takes its room at the right end.
        const QString breitesteMarke = SeitenMarke(seiten_.size() - 1, seiten_.size());
        seiten_ = SeitenBilden(breiten, trenn, band - notizPan_->MarkenBreite(breitesteMarke));
    }
}

qint64 Terminal::seitenDauer() const {
    if (seite_ >= seiten_.size())
        return KuerzesteSeitenDauerMs;
    const BandSeite& s = seiten_[seite_];
    qsizetype zeichen = 0;
    for (size_t i = s.erster; i < s.erster + s.anzahl && i < p_.eintraege.size(); ++i)
        zeichen += p_.eintraege[i].text.size();
    return SeitenDauerMs(zeichen);
}

void Terminal::seiteZeigen() {
    if (!seitenGueltig_ || seitenStand_ != p_.eintraegeStand) {
        seitenBilden();
        neuZeichnen_ = true;
    }
    if (seiten_.empty()) {
        notizPan_->Leeren();
        neuZeichnen_ = false;
        return;
    }
    const qint64 jetzt = p_.uhr.Monoton();
    if (bewegung_.BlaettertSelbst() && seiten_.size() > 1 && jetzt - seiteSeit_ >= seitenDauer()) {
        seite_ = (seite_ + 1) % seiten_.size();
        seiteSeit_ = jetzt;
        neuZeichnen_ = true;
    }
    if (!neuZeichnen_)
        return;
    neuZeichnen_ = false;
    const BandSeite& s = seiten_[seite_];
    std::vector<Eintrag> auf(p_.eintraege.begin() + qsizetype(s.erster),
                             p_.eintraege.begin() + qsizetype(s.erster + s.anzahl));
    const QString marke = SeitenMarke(seite_, seiten_.size());
    const ZugangsNamen namen = LeistenZugangsNamen(p_.Sprache);
    if (s.abgeschnitten) {
        // Cut where the band ends, with an ellipsis; the whole text is in
        // the tooltip and in the name a screen reader reads. A note may be
        // a megabyte long: no more of it is measured than can fit.
        const QString ganz = auf.front().text;
        const int frei =
            Px(layout_.notizPan.width() - (linkerRand_ + 1) - notizPan_->MarkenBreite(marke));
        const QFontMetrics fm(bandSchrift());
        auf.front().text = fm.elidedText(ganz.left(qsizetype(std::max(frei, 1)) * 2),
                                         Qt::ElideRight, std::max(frei, 1));
        constexpr qsizetype HoechstensZeichen = 4000;
        const QString lesbar = ganz.size() > HoechstensZeichen
                                   ? ganz.left(HoechstensZeichen) + QChar(0x2026)
                                   : ganz;
        notizPan_->setToolTip(lesbar);
        notizPan_->setAccessibleName(namen.band + QStringLiteral(": ") + lesbar);
    } else {
        notizPan_->setToolTip({});
        notizPan_->setAccessibleName(namen.band);
    }
    seitenGezeigt_ = true;
    notizPan_->MarkeSetzen(marke);
    notizPan_->Zeigen(auf, p_.trennText, false, RundeGerade32(linkerRand_ + 1));
    standBei_ = std::numeric_limits<double>::quiet_NaN();
}

void Terminal::Blaettern(int richtung) {
    if (bewegung_.Zustand() != BandBewegung::Art::Seitenweise || seiten_.empty())
        return;
    const size_t n = seiten_.size();
    seite_ = richtung < 0 ? (seite_ + n - 1) % n : (seite_ + 1) % n;
    seiteSeit_ = p_.uhr.Monoton();
    neuZeichnen_ = true;
    planen();
}

// ---- the reader's say over the motion

void Terminal::bewegungGeaendert() {
    neuZeichnen_ = true;
    // A page that turns by itself stands its whole time from here.
    seiteSeit_ = p_.uhr.Monoton();
    menue_->Laufschrift(bewegung_.IstAngehalten(), bewegung_.WirdWenigerBewegt(),
                        bewegung_.ScrolltTrotzdem());
    planen();
}

void Terminal::Anhalten(bool an) {
    if (an == bewegung_.IstAngehalten())
        return;
    bewegung_.Angehalten(an);
    schalterSchreiben(p_, AngehaltenSpalte, an);
    qCInfo(logLeiste) << (an ? "scrolling stopped" : "scrolling resumed");
    bewegungGeaendert();
}

void Terminal::WenigerBewegungSetzen(bool an) {
    if (an == bewegung_.WirdWenigerBewegt())
        return;
    bewegung_.WenigerBewegung(an);
    bewegungGeaendert();
}

void Terminal::TrotzdemScrollenSetzen(bool an) {
    if (an == bewegung_.ScrolltTrotzdem())
        return;
    bewegung_.TrotzdemScrollen(an);
    schalterSchreiben(p_, TrotzdemSpalte, an);
    bewegungGeaendert();
}

void Terminal::ZeigerUeberBand(bool drauf) {
    if (drauf == bewegung_.ZeigerIstDrauf())
        return;
    bewegung_.ZeigerDrauf(drauf);
    bewegungGeaendert();
}

void Terminal::FokusAufLeiste(bool an) {
    if (an == bewegung_.HatFokus())
        return;
    bewegung_.Fokus(an);
    bewegungGeaendert();
}

// ---- commands

} // namespace pinwick
