#include "Band.h"

#include <QFontMetrics>
#include <QFontMetricsF>
#include <QMouseEvent>
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
    const qsizetype ziel = von + Band::StueckZeichen;
    if (ziel >= text.size())
        return text.size();
    for (qsizetype i = ziel; i > von + Band::StueckZeichen / 2; --i)
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

Band::Band(QWidget* eltern) : QWidget(eltern) {
    // Everything is painted here, opaque, every tick: spare Qt the erasing.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
}

void Band::Aussehen(const QFont& schrift, const QColor& hintergrund, const QColor& eigene,
                    const QColor& broadcast, int textObenTwips) {
    if (schrift == schrift_ && hintergrund == hintergrund_ && eigene == eigene_ &&
        broadcast == broadcast_ && textObenTwips == textObenTwips_)
        return;
    schrift_ = schrift;
    hintergrund_ = hintergrund;
    eigene_ = eigene;
    broadcast_ = broadcast;
    textObenTwips_ = textObenTwips;
    if (layoutGueltig_)
        neuAuslegen();
    update();
}

int Band::TextBreite(const QString& text, int grenze) const {
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
        if (px * TwipsJePixel > grenze)
            break;
    }
    return static_cast<int>(
        std::min<double>(std::round(px) * TwipsJePixel, std::numeric_limits<int>::max()));
}

// ---- the layout

void Band::neuAuslegen() {
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
    kacheln_.clear();
    layoutGueltig_ = true;
}

QString Band::stueckText(const Stueck& s) const {
    const QString& text = eintraege_[s.eintrag].text;
    if (s.von == 0 && s.laenge == text.size())
        return s.leer ? text + u' ' : text;
    QString teil = text.mid(s.von, s.laenge);
    if (s.leer)
        teil += u' ';
    return teil;
}

void Band::auslegenSchritt(const QFontMetrics& fm, const QFontMetricsF& fmGenau) {
    const Eintrag& e = eintraege_[naechsterEintrag_];
    // Static text ends with its last entry; scrolling text needs the
    // separator there too, before the repetition begins.
    const bool trennerDanach = naechsterEintrag_ + 1 < eintraege_.size() || passScrollend_;
    Stueck s;
    s.eintrag = static_cast<int32_t>(naechsterEintrag_);
    if (e.text.size() <= LangerText) {
        // Each entry is measured on its own and the next one starts where its
        // advance ends, so the pass looks the same whether it is drawn in one
        // go or in tiles.
        s.links = gemessenPx_;
        s.laenge = static_cast<int32_t>(e.text.size());
        s.leer = true;
        s.trenner = trennerDanach;
        s.breite = fm.horizontalAdvance(stueckText(s));
        gemessenPx_ += s.breite + (s.trenner ? trennBreite_ : 0);
        ++naechsterEintrag_;
    } else {
        // A long entry: its pieces are measured exactly and put on the pixel
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
        s.trenner = letztes && trennerDanach;
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
    stuecke_.push_back(s);
    fertig_ = naechsterEintrag_ >= eintraege_.size();
}

void Band::auslegenBis(qint64 px) {
    if (fertig_ || gemessenPx_ > px)
        return;
    const QFontMetrics fm(schrift_);
    const QFontMetricsF fmGenau(schrift_);
    while (!fertig_ && gemessenPx_ <= px)
        auslegenSchritt(fm, fmGenau);
}

qint64 Band::PassBreite() {
    auslegenBis(std::numeric_limits<qint64>::max());
    return gemessenPx_ * TwipsJePixel;
}

// ---- showing

void Band::Zeigen(const std::vector<Eintrag>& eintraege, uint64_t stand, const QString& trenner,
                  bool scrollend, double xTwips) {
    const bool gleich = standBekannt_ && stand == stand_;
    stand_ = stand;
    standBekannt_ = true;
    uebernehmen(eintraege, gleich, trenner, scrollend, xTwips);
}

void Band::Zeigen(const std::vector<Eintrag>& eintraege, const QString& trenner, bool scrollend,
                  double xTwips) {
    // Without a number from the caller the entries are compared; a later
    // call with a number takes its entries afresh.
    const bool gleich = layoutGueltig_ && !standBekannt_ && eintraege == eintraege_;
    standBekannt_ = false;
    uebernehmen(eintraege, gleich, trenner, scrollend, xTwips);
}

void Band::uebernehmen(const std::vector<Eintrag>& eintraege, bool gleich, const QString& trenner,
                       bool scrollend, double xTwips) {
    if (!gleich)
        eintraege_ = eintraege;
    const bool neu =
        !gleich || !layoutGueltig_ || trenner != trenner_ || scrollend != passScrollend_;
    trenner_ = trenner;
    passScrollend_ = scrollend;
    if (neu)
        neuAuslegen();
    if (!neu && !leer_ && scrollend == scrollend_ && xTwips == x_)
        return;
    leer_ = false;
    scrollend_ = scrollend;
    x_ = xTwips;
    // What the band shows from here and a tile beyond its right edge: so
    // the laid-out part of a pass reaches past the band as long as the pass
    // goes on, painted or not.
    const qint64 links = static_cast<qint64>(std::floor(xTwips / TwipsJePixel));
    auslegenBis(std::max<qint64>(0, -links) + width() + KachelBreite + ueberhang_);
    update();
}

void Band::Leeren() {
    if (leer_)
        return;
    leer_ = true;
    update();
}

// ---- tiles

qint64 Band::KachelPixel() const {
    qint64 summe = 0;
    for (const Kachel& k : kacheln_)
        summe += qint64(k.bild.width()) * k.bild.height();
    return summe;
}

qint64 Band::passDev(qreal dpr) const {
    return static_cast<qint64>(std::ceil(gemessenPx_ * dpr));
}

bool Band::kachelDa(qint64 k, qreal dpr) {
    const qint64 anfang = k * KachelBreite;
    auslegenBis(static_cast<qint64>(std::floor(anfang / dpr)));
    return k >= 0 && anfang < passDev(dpr);
}

const QPixmap& Band::kachel(qint64 k, qreal dpr) {
    for (const Kachel& vorhanden : kacheln_)
        if (vorhanden.nummer == k)
            return vorhanden.bild;
    kacheln_.push_back(Kachel{k, kachelRendern(k, dpr)});
    return kacheln_.back().bild;
}

QPixmap Band::kachelRendern(qint64 k, qreal dpr) {
    const qint64 anfang = k * KachelBreite;
    const qreal von = anfang / dpr;
    auslegenBis(static_cast<qint64>(std::ceil((anfang + KachelBreite) / dpr)) + ueberhang_);
    const qint64 breite =
        fertig_ ? std::min<qint64>(KachelBreite, passDev(dpr) - anfang) : KachelBreite;
    const int hoeheDev = std::max(1, static_cast<int>(std::ceil(height() * dpr)));
    QPixmap bild(static_cast<int>(std::max<qint64>(1, breite)), hoeheDev);
    bild.setDevicePixelRatio(dpr);
    bild.fill(hintergrund_);
    const qreal bis = (anfang + breite) / dpr;

    QPainter maler(&bild);
    maler.setFont(schrift_);
    const QFontMetrics fm(schrift_);
    // The text's top on a whole device pixel keeps it crisp.
    const qreal oben = std::round(textObenTwips_ / double(TwipsJePixel) * dpr) / dpr;
    const qreal grundlinie = oben + fm.ascent();
    maler.translate(-von, 0);

    // The last piece that starts far enough left of the tile; those before
    // it end before its start and cannot reach into the tile.
    auto stueck = std::upper_bound(stuecke_.begin(), stuecke_.end(), von - ueberhang_,
                                   [](qreal x, const Stueck& s) { return x < s.links; });
    if (stueck != stuecke_.begin())
        --stueck;
    for (; stueck != stuecke_.end() && stueck->links - ueberhang_ <= bis; ++stueck) {
        const Stueck& s = *stueck;
        if (s.links + s.breite + ueberhang_ >= von) {
            maler.setPen(eintraege_[s.eintrag].quelle != Eintrag::Eigene ? broadcast_ : eigene_);
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
    maler.end();
    return bild;
}

void Band::mouseDoubleClickEvent(QMouseEvent* ereignis) {
    if (ereignis->button() != Qt::LeftButton) {
        // Other buttons go on to the bar, which treats them as a press.
        ereignis->ignore();
        return;
    }
    ereignis->accept();
    emit doppelKlick();
}

void Band::paintEvent(QPaintEvent*) {
    QPainter maler(this);
    maler.fillRect(rect(), hintergrund_);
    if (leer_ || eintraege_.empty())
        return;

    const qreal dpr = devicePixelRatioF();
    if (dpr != kachelnDpr_ || height() != kachelnHoehe_) {
        kacheln_.clear();
        kachelnDpr_ = dpr;
        kachelnHoehe_ = height();
    }

    // Positions in device pixels, so that every copy lands on the pixel grid
    // and the repetitions join without a seam.
    const qint64 bandDev = static_cast<qint64>(std::ceil(width() * dpr));
    qint64 start = std::llround(x_ / TwipsJePixel * dpr);
    gebraucht_.clear();

    // The tiles of one pass whose left edge is at `links`, as far as they
    // reach into the band.
    const auto pass = [&](qint64 links) {
        qint64 k = links < 0 ? (-links) / KachelBreite : 0;
        for (; links + k * KachelBreite < bandDev && kachelDa(k, dpr); ++k) {
            maler.drawPixmap(QPointF((links + k * KachelBreite) / dpr, 0), kachel(k, dpr));
            gebraucht_.push_back(k);
        }
    };

    if (!scrollend_) {
        pass(start);
    } else {
        // Laid out across the band from here, the pass either goes on beyond
        // its right edge, or it is complete and its repetitions follow.
        auslegenBis(static_cast<qint64>(std::ceil((bandDev - start) / dpr)));
        if (!fertig_) {
            pass(start);
        } else {
            const qint64 passSchritt = std::llround(gemessenPx_ * dpr);
            if (passSchritt <= 0)
                return;
            // Passes wholly left of the band show nothing; begin with the
            // first one that reaches into it.
            if (start + passSchritt <= 0)
                start += ((-start) / passSchritt) * passSchritt;
            for (; start < bandDev; start += passSchritt)
                pass(start);
        }
        // The tile that comes into view next is rendered ahead of time.
        if (!gebraucht_.empty()) {
            qint64 naechste = gebraucht_.back() + 1;
            if (!kachelDa(naechste, dpr))
                naechste = 0;
            kachel(naechste, dpr);
            gebraucht_.push_back(naechste);
        }
    }

    // Tiles that have scrolled out of view are not kept.
    std::erase_if(kacheln_, [this](const Kachel& k) {
        return std::find(gebraucht_.begin(), gebraucht_.end(), k.nummer) == gebraucht_.end();
    });
}

} // namespace pinwick
