#include "Band.h"

#include "BandAusgabe.h"
#include "BandServer.h"

#include <QAccessibleWidget>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>
#include <algorithm>
#include <cmath>

namespace pinwick {

namespace {

// A screen reader finds the band as a piece of text named for what it is
// ("Notes"), its notes as the description: not as a filler to skip. The
// bar changes the description once when the notes shown change, never at a
// scroll step, so that a new note is heard once.
class BandZugang : public QAccessibleWidget {
public:
    explicit BandZugang(QWidget* band) : QAccessibleWidget(band, QAccessible::StaticText) {}
    QString text(QAccessible::Text art) const override {
        if (art == QAccessible::Name)
            return widget()->accessibleName();
        if (art == QAccessible::Description)
            return widget()->accessibleDescription();
        return QAccessibleWidget::text(art);
    }
};

QAccessibleInterface* bandZugangMachen(const QString& klasse, QObject* objekt) {
    if (klasse == QLatin1String(Band::staticMetaObject.className()) && objekt &&
        objekt->isWidgetType())
        return new BandZugang(static_cast<QWidget*>(objekt));
    return nullptr;
}

} // namespace

Band::Band(QWidget* eltern) : QWidget(eltern) {
    static const bool zugangBekannt = (QAccessible::installFactory(bandZugangMachen), true);
    Q_UNUSED(zugangBekannt);
    // Everything is painted here, opaque, every tick: spare Qt the erasing.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    server_ = std::make_unique<BandServer>(*this, X11Ausgabe());
}

Band::~Band() = default;

void Band::AusgabeSetzen(std::unique_ptr<BandAusgabe> ausgabe) {
    // The tiles of the old output are freed through it.
    server_ = std::make_unique<BandServer>(*this, std::move(ausgabe));
    update();
}

bool Band::AufServer() const {
    return server_->AufServer();
}

void Band::Aussehen(const QFont& schrift, const QColor& hintergrund, const QColor& eigene,
                    const QColor& broadcast, int textObenTwips) {
    const bool anders = layout_.Aussehen(schrift, eigene, broadcast, textObenTwips);
    markenFarbe_ = eigene;
    if (!anders && hintergrund == hintergrund_)
        return;
    hintergrund_ = hintergrund;
    kachelnLeeren();
    update();
}

void Band::kachelnLeeren() {
    kacheln_.clear();
    server_->Leeren();
}

Band::Zaehler Band::Statistik() const {
    Zaehler z;
    z.auslegen = layout_.Schritte();
    z.gemalt = gemalt_ + server_->Gemalt();
    z.hochgeladen = server_->Hochgeladen();
    z.serverSchritte = server_->Schritte();
    z.qtSchritte = qtSchritte_;
    return z;
}

// ---- showing

void Band::Zeigen(const std::vector<Eintrag>& eintraege, uint64_t stand, const QString& trenner,
                  bool scrollend, double xTwips) {
    uebernehmen(layout_.Nehmen(eintraege, stand, trenner, scrollend), scrollend, xTwips);
}

void Band::Zeigen(const std::vector<Eintrag>& eintraege, const QString& trenner, bool scrollend,
                  double xTwips) {
    uebernehmen(layout_.Nehmen(eintraege, trenner, scrollend), scrollend, xTwips);
}

void Band::uebernehmen(bool neu, bool scrollend, double xTwips) {
    if (neu)
        kachelnLeeren();
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
    const qint64 links = PxSpalte(xTwips);
    const qint64 bis = std::max<qint64>(0, -links) + width() + KachelBreite + layout_.Ueberhang();
    if (!layout_.Fertig() && layout_.GemessenPx() <= bis)
        layout_.AuslegenBis(bis + KachelBreite);
    if (nurSchritt && server_->Zeigen(layout_, hintergrund_, x_, scrollend_)) {
        // Tiles Qt painted from before the band went to the server are not
        // needed.
        kacheln_.clear();
        return;
    }
    server_->QtMalt();
    ++qtSchritte_;
    update();
}

void Band::MarkeSetzen(const QString& marke) {
    if (marke == marke_)
        return;
    marke_ = marke;
    update();
}

int Band::MarkenBreite(const QString& marke) const {
    if (marke.isEmpty())
        return 0;
    // Some room on either side, so that the mark never touches the text.
    return layout_.TextBreite(QStringLiteral("  ") + marke + u' ');
}

void Band::Leeren() {
    if (leer_)
        return;
    leer_ = true;
    update();
}

// ---- tiles

int Band::KachelAnzahl() const {
    return int(kacheln_.size()) + server_->KachelAnzahl();
}

qint64 Band::KachelPixel() const {
    qint64 summe = server_->KachelPixel();
    for (const Kachel& k : kacheln_)
        summe += qint64(k.bild.width()) * k.bild.height();
    return summe;
}

const QPixmap& Band::kachel(qint64 k, qreal dpr) {
    for (const Kachel& vorhanden : kacheln_)
        if (vorhanden.nummer == k)
            return vorhanden.bild;
    const int hoeheDev = std::max(1, static_cast<int>(std::ceil(height() * dpr)));
    QPixmap bild(layout_.KachelBreiteVon(k, dpr), hoeheDev);
    bild.setDevicePixelRatio(dpr);
    bild.fill(hintergrund_);
    kachelMalen(bild, k, dpr);
    kacheln_.push_back(Kachel{k, std::move(bild)});
    return kacheln_.back().bild;
}

const QImage& Band::kachelKratzer(qint64 k, qreal dpr) {
    const QSize groesse(layout_.KachelBreiteVon(k, dpr),
                        std::max(1, static_cast<int>(std::ceil(height() * dpr))));
    // One picture for every tile, made again only when the size changes.
    if (kratzer_.size() != groesse)
        kratzer_ = QImage(groesse, QImage::Format_RGB32);
    kratzer_.setDevicePixelRatio(dpr);
    kratzer_.fill(hintergrund_);
    kachelMalen(kratzer_, k, dpr);
    return kratzer_;
}

void Band::kachelMalen(QPaintDevice& bild, qint64 k, qreal dpr) {
    ++gemalt_;
    const qint64 anfang = k * KachelBreite;
    QPainter maler(&bild);
    maler.translate(-anfang / dpr, 0);
    layout_.PassMalen(maler, anfang / dpr, (anfang + bild.width()) / dpr, dpr);
}

// ---- events

int Band::EintragBei(QPointF stelle) {
    if (leer_ || layout_.Leer())
        return -1;
    const qreal dpr = devicePixelRatioF();
    const qint64 bandDev = static_cast<qint64>(std::ceil(width() * dpr));
    return layout_.EintragBei(x_, scrollend_, dpr, bandDev,
                              static_cast<qint64>(std::floor(stelle.x() * dpr)));
}

void Band::mousePressEvent(QMouseEvent* ereignis) {
    if (ereignis->button() == Qt::LeftButton)
        emit geklickt(EintragBei(ereignis->position()));
    // The bar takes the press as ever (focus, the menu).
    ereignis->ignore();
}

QString Band::HinweisBei(QPointF stelle) {
    const QString text = hinweisFuer ? hinweisFuer(EintragBei(stelle)) : QString();
    return text.isEmpty() ? toolTip() : text;
}

bool Band::event(QEvent* ereignis) {
    if (ereignis->type() == QEvent::ToolTip && hinweisFuer) {
        auto* hilfe = static_cast<QHelpEvent*>(ereignis);
        const QString text = hinweisFuer(EintragBei(hilfe->pos()));
        if (!text.isEmpty()) {
            // Escaped, so that a summary is never read as markup.
            QToolTip::showText(
                hilfe->globalPos(),
                QStringLiteral("<qt>") + text.toHtmlEscaped() + QStringLiteral("</qt>"), this);
            return true;
        }
    }
    return QWidget::event(ereignis);
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
    Malen(maler);
}

void Band::Malen(QPainter& maler) {
    maler.fillRect(rect(), hintergrund_);
    if (leer_ || layout_.Leer())
        return;

    const qreal dpr = devicePixelRatioF();
    if (dpr != kachelnDpr_ || height() != kachelnHoehe_) {
        kacheln_.clear();
        kachelnDpr_ = dpr;
        kachelnHoehe_ = height();
    }
    const qint64 bandDev = static_cast<qint64>(std::ceil(width() * dpr));
    naechste_ = layout_.Stellen(x_, scrollend_, dpr, bandDev, stellen_);

    if (server_->AufServer()) {
        // The tiles live on the server; what Qt keeps of the band is drawn
        // from the same tiles, rendered again (exposes only).
        kacheln_.clear();
        for (const BandLayout::Stelle& st : stellen_)
            maler.drawImage(QPointF(st.x / dpr, 0), kachelKratzer(st.kachel, dpr));
        markeMalen(maler);
        return;
    }
    for (const BandLayout::Stelle& st : stellen_)
        maler.drawPixmap(QPointF(st.x / dpr, 0), kachel(st.kachel, dpr));
    if (naechste_ >= 0)
        kachel(naechste_, dpr);

    // Tiles that have scrolled out of view are not kept.
    std::erase_if(kacheln_, [this](const Kachel& k) {
        return k.nummer != naechste_ &&
               std::none_of(stellen_.begin(), stellen_.end(),
                            [&](const BandLayout::Stelle& s) { return s.kachel == k.nummer; });
    });
    markeMalen(maler);
}

void Band::markeMalen(QPainter& maler) {
    if (marke_.isEmpty())
        return;
    const int breite = Px(MarkenBreite(marke_));
    const QRect feld(width() - breite, 0, breite, height());
    maler.fillRect(feld, hintergrund_);
    maler.setFont(layout_.Schrift());
    maler.setPen(markenFarbe_);
    maler.drawText(feld.adjusted(0, 0, -Px(layout_.TextBreite(QStringLiteral(" "))), 0),
                   Qt::AlignRight | Qt::AlignVCenter, marke_);
}

} // namespace pinwick
