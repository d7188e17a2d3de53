#include "BandLayout.h"

#include "Masse.h"

#include <QFontMetrics>
#include <QFontMetricsF>
#include <QPainter>
#include <QTextBoundaryFinder>
#include <algorithm>
#include <cmath>

namespace pinwick {

namespace {

// Where the piece of a long text that starts at `von` ends: after about
// StueckZeichen characters, right after a blank when there is one in the
// second half of the piece (the text engine joins nothing across a blank),
// and never inside a character cluster.
qsizetype stueckEnde(QStringView text, qsizetype von) {
    const qsizetype ziel = von + BandLayout::StueckZeichen;
    if (ziel >= text.size())
        return text.size();
    for (qsizetype i = ziel; i > von + BandLayout::StueckZeichen / 2; --i)
        if (text[i - 1].isSpace())
            return i;
    // No blank: a cluster boundary, looked for in a small window only, so
    // that a long text is not analysed as a whole.
    const qsizetype fensterVon = std::max(von, ziel - 32);
    const qsizetype fensterBis = std::min(text.size(), ziel + 32);
    QTextBoundaryFinder grenzen(QTextBoundaryFinder::Grapheme, text.data() + fensterVon,
                                fensterBis - fensterVon);
    grenzen.setPosition(ziel - fensterVon);
    if (grenzen.isAtBoundary())
        return ziel;
    const qsizetype davor = grenzen.toPreviousBoundary();
    if (davor > 0)
        return fensterVon + davor;
    // A cluster longer than the window is cut, but not inside a character.
    return text[ziel].isLowSurrogate() ? ziel + 1 : ziel;
}

} // namespace

bool BandLayout::Aussehen(const QFont& schrift, const QColor& eigene, const QColor& broadcast,
                          int textObenTwips) {
    if (schrift == schrift_ && eigene == eigene_ && broadcast == broadcast_ &&
        textObenTwips == textObenTwips_)
        return false;
    schrift_ = schrift;
    eigene_ = eigene;
    broadcast_ = broadcast;
    textObenTwips_ = textObenTwips;
    if (gueltig_)
        neuAuslegen();
    return true;
}

int BandLayout::TextBreite(const QString& text, int grenze) const {
    if (text.size() <= LangerText)
        return Twips(QFontMetrics(schrift_).horizontalAdvance(text));
    // In pieces: measuring a long text in one go makes the text engine hold
    // all of its glyphs at once.
    const QFontMetricsF fm(schrift_);
    double px = 0;
    for (qsizetype von = 0; von < text.size();) {
        const qsizetype bis = stueckEnde(text, von);
        px += fm.horizontalAdvance(QString::fromRawData(text.constData() + von, bis - von));
        von = bis;
        if (Twips(px) > grenze)
            break;
    }
    return static_cast<int>(
        std::min<double>(Twips(std::round(px)), std::numeric_limits<int>::max()));
}

// ---- the entries

bool BandLayout::Nehmen(const std::vector<Eintrag>& eintraege, uint64_t stand,
                        const QString& trenner, bool scrollend) {
    const bool gleich = standBekannt_ && stand == stand_;
    stand_ = stand;
    standBekannt_ = true;
    return uebernehmen(eintraege, gleich, trenner, scrollend);
}

bool BandLayout::Nehmen(const std::vector<Eintrag>& eintraege, const QString& trenner,
                        bool scrollend) {
    // Without a number from the caller the entries are compared; a later
    // call with a number takes its entries afresh.
    const bool gleich = gueltig_ && !standBekannt_ && eintraege == eintraege_;
    standBekannt_ = false;
    return uebernehmen(eintraege, gleich, trenner, scrollend);
}

bool BandLayout::uebernehmen(const std::vector<Eintrag>& eintraege, bool gleich,
                             const QString& trenner, bool scrollend) {
    if (!gleich)
        eintraege_ = eintraege;
    const bool neu = !gleich || !gueltig_ || trenner != trenner_ || scrollend != scrollend_;
    trenner_ = trenner;
    scrollend_ = scrollend;
    if (neu)
        neuAuslegen();
    return neu;
}

// ---- the layout

void BandLayout::neuAuslegen() {
    std::vector<Stueck>().swap(stuecke_);
    naechsterEintrag_ = 0;
    naechsteStelle_ = 0;
    gemessenPx_ = 0;
    fertig_ = eintraege_.empty();
    const QFontMetrics fm(schrift_);
    trennStueck_ = trenner_ + u' ';
    trennBreite_ = fm.horizontalAdvance(trennStueck_);
    // Italic and some glyphs reach past their advance; pieces are drawn into
    // a tile when they come this close to it.
    ueberhang_ = fm.height();
    gueltig_ = true;
}

QString BandLayout::stueckText(const Stueck& s) const {
    const QString& text = eintraege_[s.eintrag].text;
    if (s.von == 0 && s.laenge == text.size())
        return s.leer ? text + u' ' : text;
    QString teil = text.mid(s.von, s.laenge);
    if (s.leer)
        teil += u' ';
    return teil;
}

void BandLayout::auslegenSchritt(const QFontMetrics& fm, const QFontMetricsF& fmGenau) {
    ++schritte_;
    const Eintrag& e = eintraege_[naechsterEintrag_];
    Stueck s;
    s.eintrag = static_cast<int32_t>(naechsterEintrag_);
    if (e.text.size() <= LangerText) {
        // Each entry is measured on its own and the next one starts where its
        // advance ends, so the pass looks the same whether it is drawn in one
        // go or in tiles. Static text ends with its last entry; scrolling
        // text needs the separator there too, before the repetition begins.
        s.links = gemessenPx_;
        s.laenge = static_cast<int32_t>(e.text.size());
        s.leer = true;
        s.trenner = naechsterEintrag_ + 1 < eintraege_.size() || scrollend_;
        s.breite = fm.horizontalAdvance(stueckText(s));
        gemessenPx_ += s.breite + (s.trenner ? trennBreite_ : 0);
        ++naechsterEintrag_;
    } else {
        langesStueck(s, e, fmGenau);
    }
    stuecke_.push_back(s);
    fertig_ = naechsterEintrag_ >= eintraege_.size();
}

void BandLayout::langesStueck(Stueck& s, const Eintrag& e, const QFontMetricsF& fmGenau) {
    // The pieces of a long entry are measured exactly and put on the pixel
    // nearest to where they start, so that rounding does not add up.
    if (naechsteStelle_ == 0) {
        langStart_ = gemessenPx_;
        langSumme_ = 0;
    }
    const qsizetype bis = stueckEnde(e.text, naechsteStelle_);
    const bool letztes = bis == e.text.size();
    s.von = static_cast<int32_t>(naechsteStelle_);
    s.laenge = static_cast<int32_t>(bis - naechsteStelle_);
    s.leer = letztes;
    s.trenner = letztes && (naechsterEintrag_ + 1 < eintraege_.size() || scrollend_);
    s.links = langStart_ + std::llround(langSumme_);
    s.bruch = static_cast<float>(langStart_ + langSumme_ - s.links);
    langSumme_ += fmGenau.horizontalAdvance(stueckText(s));
    const qint64 ende = langStart_ + std::llround(langSumme_);
    s.breite = static_cast<int32_t>(ende - s.links);
    gemessenPx_ = ende + (s.trenner ? trennBreite_ : 0);
    naechsteStelle_ = letztes ? 0 : bis;
    if (letztes)
        ++naechsterEintrag_;
}

void BandLayout::AuslegenBis(qint64 px) {
    if (fertig_ || gemessenPx_ > px)
        return;
    const QFontMetrics fm(schrift_);
    const QFontMetricsF fmGenau(schrift_);
    while (!fertig_ && gemessenPx_ <= px)
        auslegenSchritt(fm, fmGenau);
}

qint64 BandLayout::PassBreite() {
    AuslegenBis(std::numeric_limits<qint64>::max());
    return Twips(gemessenPx_);
}

double BandLayout::Weiter(double x, int schritt) {
    double position = x - schritt;
    if (scrollend_ && position + Twips(gemessenPx_) <= 0) {
        const qint64 pass = PassBreite();
        if (pass > 0 && position + pass <= 0)
            position += std::floor(-position / pass) * pass;
    }
    return position;
}

// ---- tiles

qint64 BandLayout::passDev(qreal dpr) const {
    return static_cast<qint64>(std::ceil(gemessenPx_ * dpr));
}

bool BandLayout::KachelDa(qint64 k, qreal dpr) {
    const qint64 anfang = k * KachelBreite;
    AuslegenBis(static_cast<qint64>(std::floor(anfang / dpr)));
    return k >= 0 && anfang < passDev(dpr);
}

int BandLayout::KachelBreiteVon(qint64 k, qreal dpr) {
    const qint64 anfang = k * KachelBreite;
    AuslegenBis(static_cast<qint64>(std::ceil((anfang + KachelBreite) / dpr)) + ueberhang_);
    const qint64 breite =
        fertig_ ? std::min<qint64>(KachelBreite, passDev(dpr) - anfang) : KachelBreite;
    return static_cast<int>(std::max<qint64>(1, breite));
}

qint64 BandLayout::Stellen(double xTwips, bool scrollend, qreal dpr, qint64 bandDev,
                           std::vector<Stelle>& stellen) {
    stellen.clear();
    // Positions in device pixels, so that every copy lands on the pixel grid
    // and the repetitions join without a seam.
    qint64 start = GeraetePx(xTwips, dpr);

    // The tiles of one pass whose left edge is at `links`, as far as they
    // reach into the band.
    const auto pass = [&](qint64 links) {
        qint64 k = links < 0 ? (-links) / KachelBreite : 0;
        for (; links + k * KachelBreite < bandDev && KachelDa(k, dpr); ++k)
            stellen.push_back(Stelle{k, links + k * KachelBreite});
    };

    if (!scrollend) {
        pass(start);
        return -1;
    }
    // Laid out across the band from here, the pass either goes on beyond
    // its right edge, or it is complete and its repetitions follow.
    AuslegenBis(static_cast<qint64>(std::ceil((bandDev - start) / dpr)));
    if (!fertig_) {
        pass(start);
    } else {
        const qint64 passSchritt = std::llround(gemessenPx_ * dpr);
        if (passSchritt <= 0)
            return -1;
        // Passes wholly left of the band show nothing; begin with the
        // first one that reaches into it.
        if (start + passSchritt <= 0)
            start += ((-start) / passSchritt) * passSchritt;
        for (; start < bandDev; start += passSchritt)
            pass(start);
    }
    if (stellen.empty())
        return -1;
    const qint64 naechste = stellen.back().kachel + 1;
    return KachelDa(naechste, dpr) ? naechste : 0;
}

// ---- the line of text

qint64 BandLayout::Zeilenstelle(double xTwips, bool scrollend, qreal dpr, qint64 bandDev) {
    qint64 u = -GeraetePx(xTwips, dpr);
    if (scrollend && u >= 0) {
        AuslegenBis(static_cast<qint64>(std::ceil((u + bandDev) / dpr)));
        const qint64 schritt = std::llround(gemessenPx_ * dpr);
        if (fertig_ && schritt > 0)
            u %= schritt;
    }
    return u;
}

int BandLayout::EintragBei(double xTwips, bool scrollend, qreal dpr, qint64 bandDev,
                           qint64 bandPx) {
    if (eintraege_.empty() || dpr <= 0)
        return -1;
    qint64 u = Zeilenstelle(xTwips, scrollend, dpr, bandDev) + bandPx;
    if (u < 0)
        return -1;
    AuslegenBis(static_cast<qint64>(std::ceil(u / dpr)) + 1);
    const qint64 schritt = std::llround(gemessenPx_ * dpr);
    if (scrollend && fertig_ && schritt > 0)
        u %= schritt;
    const double px = u / dpr;
    auto stueck = std::upper_bound(stuecke_.begin(), stuecke_.end(), px,
                                   [](double x, const Stueck& s) { return x < s.links; });
    if (stueck == stuecke_.begin())
        return -1;
    --stueck;
    return px < stueck->links + stueck->bruch + stueck->breite ? stueck->eintrag : -1;
}

qint64 BandLayout::NaechsteZeilenkachel(qint64 k, bool scrollend, qreal dpr) const {
    const qint64 naechste = k + 1;
    if (scrollend && fertig_ && naechste * KachelBreite >= std::llround(gemessenPx_ * dpr))
        return 0;
    return naechste;
}

// ---- drawing

QColor BandLayout::farbeVon(const Eintrag& e) const {
    switch (e.quelle) {
    case Eintrag::Eigene:
        return eigene_;
    case Eintrag::Feed:
        // A feed without a colour of its own has that of own notes.
        return e.farbe >= 0 ? Farbe(e.farbe) : eigene_;
    default:
        return broadcast_;
    }
}

void BandLayout::PassMalen(QPainter& maler, qreal von, qreal bis, qreal dpr) const {
    maler.setFont(schrift_);
    const QFontMetrics fm(schrift_);
    // The text's top on a whole device pixel keeps it crisp.
    const qreal oben = GeraetePx(textObenTwips_, dpr) / dpr;
    const qreal grundlinie = oben + fm.ascent();

    // The last piece that starts far enough left of the range; those before
    // it end before its start and cannot reach into it.
    auto stueck = std::upper_bound(stuecke_.begin(), stuecke_.end(), von - ueberhang_,
                                   [](qreal x, const Stueck& s) { return x < s.links; });
    if (stueck != stuecke_.begin())
        --stueck;
    for (; stueck != stuecke_.end() && stueck->links - ueberhang_ <= bis; ++stueck) {
        const Stueck& s = *stueck;
        if (s.links + s.breite + ueberhang_ >= von) {
            maler.setPen(farbeVon(eintraege_[s.eintrag]));
            maler.drawText(QPointF(s.links + s.bruch, grundlinie), stueckText(s));
        }
        if (s.trenner) {
            const qint64 t = s.links + s.breite;
            if (t + trennBreite_ + ueberhang_ >= von && t - ueberhang_ <= bis) {
                maler.setPen(eigene_);
                maler.drawText(QPointF(t, grundlinie), trennStueck_);
            }
        }
    }
}

void BandLayout::ZeileMalen(QPainter& maler, qint64 anfang, qint64 ende, bool scrollend, qreal dpr,
                            qreal hoehe) {
    AuslegenBis(static_cast<qint64>(std::ceil(ende / dpr)) + ueberhang_);
    // The passes that reach into the range: the first alone while the pass
    // goes on, or static; its repetitions once it is complete.
    const qint64 passDevPx = passDev(dpr);
    const qint64 schritt = std::llround(gemessenPx_ * dpr);
    const bool wiederholt = scrollend && fertig_ && schritt > 0;
    qint64 p = wiederholt ? std::max<qint64>(0, anfang / schritt - 1) : 0;
    for (; p == 0 || (wiederholt && p * schritt < ende); ++p) {
        const qint64 links = wiederholt ? p * schritt : 0;
        const qint64 von = std::max(anfang, links);
        const qint64 bis = std::min(ende, links + passDevPx);
        if (bis > von) {
            maler.save();
            maler.setClipRect(QRectF((von - anfang) / dpr, 0, (bis - von) / dpr, hoehe));
            maler.translate((links - anfang) / dpr, 0);
            PassMalen(maler, (von - links) / dpr, (bis - links) / dpr, dpr);
            maler.restore();
        }
        if (!wiederholt)
            break;
    }
}

} // namespace pinwick
