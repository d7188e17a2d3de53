#include "Band.h"

#include "BandAusgabe.h"

#include <QEvent>
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
    ausgabe_ = X11Ausgabe();
}

Band::~Band() {
    serverKachelnLeeren();
}

void Band::AusgabeSetzen(std::unique_ptr<BandAusgabe> ausgabe) {
    serverKachelnLeeren();
    ausgabe_ = std::move(ausgabe);
    serverAus_ = false;
    aufServer_ = false;
    serverDpr_ = 0;
    update();
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
    serverKachelnLeeren();
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
    ++zaehler_.auslegen;
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
    // Only the position moved: the step the server path can show.
    const bool nurSchritt = !neu && !leer_ && scrollend == scrollend_;
    leer_ = false;
    scrollend_ = scrollend;
    x_ = xTwips;
    // What the band shows from here and a tile beyond its right edge: so
    // the laid-out part of a pass reaches past the band as long as the pass
    // goes on, painted or not. It is laid out a tile further at once, so
    // that most steps lay out nothing.
    const qint64 links = static_cast<qint64>(std::floor(xTwips / TwipsJePixel));
    const qint64 bis = std::max<qint64>(0, -links) + width() + KachelBreite + ueberhang_;
    if (!fertig_ && gemessenPx_ <= bis)
        auslegenBis(bis + KachelBreite);
    if (nurSchritt && serverZeigen())
        return;
    aufServer_ = false;
    ++zaehler_.qtSchritte;
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
    for (const ServerKachel& k : serverKacheln_)
        summe += qint64(k.breite) * serverHoehe_;
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
    const int hoeheDev = std::max(1, static_cast<int>(std::ceil(height() * dpr)));
    QPixmap bild(kachelBreite(k, dpr), hoeheDev);
    bild.setDevicePixelRatio(dpr);
    bild.fill(hintergrund_);
    kachelMalen(bild, k, dpr);
    kacheln_.push_back(Kachel{k, std::move(bild)});
    return kacheln_.back().bild;
}

const QImage& Band::kachelKratzer(qint64 k, qreal dpr) {
    const QSize groesse(kachelBreite(k, dpr),
                        std::max(1, static_cast<int>(std::ceil(height() * dpr))));
    // One picture for every tile, made again only when the size changes.
    if (kratzer_.size() != groesse)
        kratzer_ = QImage(groesse, QImage::Format_RGB32);
    kratzer_.setDevicePixelRatio(dpr);
    kratzer_.fill(hintergrund_);
    kachelMalen(kratzer_, k, dpr);
    return kratzer_;
}

int Band::kachelBreite(qint64 k, qreal dpr) {
    const qint64 anfang = k * KachelBreite;
    auslegenBis(static_cast<qint64>(std::ceil((anfang + KachelBreite) / dpr)) + ueberhang_);
    const qint64 breite =
        fertig_ ? std::min<qint64>(KachelBreite, passDev(dpr) - anfang) : KachelBreite;
    return static_cast<int>(std::max<qint64>(1, breite));
}

void Band::kachelMalen(QPaintDevice& bild, qint64 k, qreal dpr) {
    ++zaehler_.gemalt;
    const qint64 anfang = k * KachelBreite;
    QPainter maler(&bild);
    maler.translate(-anfang / dpr, 0);
    passMalen(maler, anfang / dpr, (anfang + bild.width()) / dpr, dpr);
}

void Band::passMalen(QPainter& maler, qreal von, qreal bis, qreal dpr) {
    maler.setFont(schrift_);
    const QFontMetrics fm(schrift_);
    // The text's top on a whole device pixel keeps it crisp.
    const qreal oben = std::round(textObenTwips_ / double(TwipsJePixel) * dpr) / dpr;
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
}

void Band::stellenBerechnen(qreal dpr, qint64 bandDev) {
    stellen_.clear();
    naechste_ = -1;
    // Positions in device pixels, so that every copy lands on the pixel grid
    // and the repetitions join without a seam.
    qint64 start = std::llround(x_ / TwipsJePixel * dpr);

    // The tiles of one pass whose left edge is at `links`, as far as they
    // reach into the band.
    const auto pass = [&](qint64 links) {
        qint64 k = links < 0 ? (-links) / KachelBreite : 0;
        for (; links + k * KachelBreite < bandDev && kachelDa(k, dpr); ++k)
            stellen_.push_back(Stelle{k, links + k * KachelBreite});
    };

    if (!scrollend_) {
        pass(start);
        return;
    }
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
    if (!stellen_.empty()) {
        naechste_ = stellen_.back().kachel + 1;
        if (!kachelDa(naechste_, dpr))
            naechste_ = 0;
    }
}

// ---- the server path

void Band::serverKachelnLeeren() {
    if (ausgabe_)
        for (const ServerKachel& k : serverKacheln_)
            ausgabe_->Freigeben(k.bild);
    serverKacheln_.clear();
}

QImage Band::zeileRendern(qint64 k, qreal dpr, qint64 bandDev) {
    ++zaehler_.gemalt;
    const qint64 anfang = k * KachelBreite;
    const qint64 ende = anfang + KachelBreite + bandDev;
    auslegenBis(static_cast<qint64>(std::ceil(ende / dpr)) + ueberhang_);
    QImage bild(static_cast<int>(ende - anfang),
                std::max(1, static_cast<int>(std::ceil(height() * dpr))), QImage::Format_RGB32);
    bild.setDevicePixelRatio(dpr);
    bild.fill(hintergrund_);
    QPainter maler(&bild);
    // The passes that reach into the tile: the first alone while the pass
    // goes on, or static; its repetitions once it is complete. Each is cut
    // where its tiles end in Qt's painting, so the pixels are the same.
    const qint64 passDevPx = passDev(dpr);
    const qint64 schritt = std::llround(gemessenPx_ * dpr);
    const bool wiederholt = scrollend_ && fertig_ && schritt > 0;
    qint64 p = wiederholt ? std::max<qint64>(0, anfang / schritt - 1) : 0;
    for (; p == 0 || (wiederholt && p * schritt < ende); ++p) {
        const qint64 links = wiederholt ? p * schritt : 0;
        const qint64 von = std::max(anfang, links);
        const qint64 bis = std::min(ende, links + passDevPx);
        if (bis > von) {
            maler.save();
            maler.setClipRect(QRectF((von - anfang) / dpr, 0, (bis - von) / dpr, bild.height()));
            maler.translate((links - anfang) / dpr, 0);
            passMalen(maler, (von - links) / dpr, (bis - links) / dpr, dpr);
            maler.restore();
        }
        if (!wiederholt)
            break;
    }
    return bild;
}

const Band::ServerKachel* Band::serverKachel(qint64 k, qreal dpr, qint64 bandDev) {
    for (const ServerKachel& vorhanden : serverKacheln_)
        if (vorhanden.nummer == k)
            return &vorhanden;
    const QImage bild = zeileRendern(k, dpr, bandDev);
    const uint32_t id = ausgabe_->Hochladen(bild);
    if (!id)
        return nullptr;
    ++zaehler_.hochgeladen;
    serverKacheln_.push_back(ServerKachel{k, id, bild.width()});
    return &serverKacheln_.back();
}

bool Band::serverZeigen() {
    if (!ausgabe_ || serverAus_ || !isVisible() || leer_ || eintraege_.empty() || width() <= 0 ||
        height() <= 0)
        return false;
    QWidget* fenster = window();
    QWindow* handle = fenster->windowHandle();
    if (!handle)
        return false;
    if (beobachtet_ != handle) {
        if (beobachtet_)
            beobachtet_->removeEventFilter(this);
        handle->installEventFilter(this);
        beobachtet_ = handle;
    }
    // Qt places a widget on whole device pixels only at whole scale
    // factors; at others it paints the band itself.
    const qreal dpr = devicePixelRatioF();
    if (!handle->isExposed() || dpr != std::round(dpr))
        return false;
    bool ungueltig = false;
    if (!ausgabe_->Bereit(*fenster, ungueltig))
        return false;
    const qint64 bandDev = static_cast<qint64>(std::ceil(width() * dpr));
    if (ungueltig || dpr != serverDpr_ || height() != serverHoehe_ || bandDev != serverBreite_) {
        serverKachelnLeeren();
        serverDpr_ = dpr;
        serverHoehe_ = height();
        serverBreite_ = bandDev;
    }

    // Where the band's left edge is in the line of text (device pixels;
    // negative while the text starts right of it). Scrolling text repeats
    // with the pass: once the pass is complete, the same picture comes back
    // every pass.
    qint64 u = -std::llround(x_ / TwipsJePixel * dpr);
    if (scrollend_ && u >= 0) {
        auslegenBis(static_cast<qint64>(std::ceil((u + bandDev) / dpr)));
        const qint64 schritt = std::llround(gemessenPx_ * dpr);
        if (fertig_ && schritt > 0)
            u %= schritt;
    }
    // A tile of the line holds a tile's width and the band's beyond it, so
    // the band always lies within one tile: one copy a step.
    const qint64 k = u >= 0 ? u / KachelBreite : -((-u + KachelBreite - 1) / KachelBreite);
    const ServerKachel* kachel = serverKachel(k, dpr, bandDev);
    // The tile that comes into view next is rendered ahead of time.
    qint64 naechste = k + 1;
    if (scrollend_ && fertig_ && naechste * KachelBreite >= std::llround(gemessenPx_ * dpr))
        naechste = 0;
    if (!kachel || (scrollend_ && !serverKachel(naechste, dpr, bandDev))) {
        serverAus_ = true;
        serverKachelnLeeren();
        return false;
    }
    kachel = serverKachel(k, dpr, bandDev); // the list may have grown
    const QPoint ursprung = mapTo(fenster, QPoint(0, 0)) * dpr;
    const QRect ziel(ursprung.x(), ursprung.y(), static_cast<int>(bandDev),
                     std::max(1, static_cast<int>(std::ceil(height() * dpr))));
    const int vonX = static_cast<int>(u - k * KachelBreite);
    // At the slowest speed the text moves a pixel every third step: the
    // window already shows this picture, and the steps between send nothing.
    if (!aufServer_ || kachel->bild != letzteKopie_.bild || vonX != letzteKopie_.vonX ||
        ziel != letzteKopie_.ziel) {
        ausgabe_->Kopieren(kachel->bild, vonX, ziel);
        ausgabe_->Senden();
        letzteKopie_ = {kachel->bild, vonX, ziel};
    }

    // Tiles that have scrolled out of view are not kept.
    std::erase_if(serverKacheln_, [&](const ServerKachel& t) {
        const bool gebraucht = t.nummer == k || (scrollend_ && t.nummer == naechste);
        if (!gebraucht)
            ausgabe_->Freigeben(t.bild);
        return !gebraucht;
    });
    // Tiles Qt painted from before the band went to the server are not
    // needed either.
    kacheln_.clear();
    aufServer_ = true;
    ++zaehler_.serverSchritte;
    return true;
}

bool Band::eventFilter(QObject* objekt, QEvent* ereignis) {
    if (ereignis->type() == QEvent::Expose && objekt == beobachtet_ && aufServer_)
        update();
    return QWidget::eventFilter(objekt, ereignis);
}

// ---- events

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
    Malen(maler);
}

void Band::Malen(QPainter& maler) {
    maler.fillRect(rect(), hintergrund_);
    if (leer_ || eintraege_.empty())
        return;

    const qreal dpr = devicePixelRatioF();
    if (dpr != kachelnDpr_ || height() != kachelnHoehe_) {
        kacheln_.clear();
        kachelnDpr_ = dpr;
        kachelnHoehe_ = height();
    }
    const qint64 bandDev = static_cast<qint64>(std::ceil(width() * dpr));
    stellenBerechnen(dpr, bandDev);

    if (aufServer_) {
        // The tiles live on the server; what Qt keeps of the band is drawn
        // from the same tiles, rendered again (exposes only).
        kacheln_.clear();
        for (const Stelle& st : stellen_)
            maler.drawImage(QPointF(st.x / dpr, 0), kachelKratzer(st.kachel, dpr));
        return;
    }
    for (const Stelle& st : stellen_)
        maler.drawPixmap(QPointF(st.x / dpr, 0), kachel(st.kachel, dpr));
    if (naechste_ >= 0)
        kachel(naechste_, dpr);

    // Tiles that have scrolled out of view are not kept.
    std::erase_if(kacheln_, [this](const Kachel& k) {
        return k.nummer != naechste_ &&
               std::none_of(stellen_.begin(), stellen_.end(),
                            [&](const Stelle& s) { return s.kachel == k.nummer; });
    });
}

} // namespace pinwick
