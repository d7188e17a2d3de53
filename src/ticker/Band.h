#pragma once
// The ticker band: draws the entry list in one line at a horizontal position
// given in twips, once (static text) or repeated without a gap (scrolling
// text).
//
// Notes have no length limit: one note may hold a megabyte of text and a
// broadcaster may list a hundred thousand. So the band lays a pass out only
// as far as the text has come into view (plus a tile ahead), renders only the
// tiles of the pass that are on screen or about to be, and keeps no others:
// the cost of a tick and the memory for pictures follow the width of the
// band, not the length of the text. Where the text goes is BandLayout's;
// scrolling on the display server is BandServer's.

#include "BandLayout.h"
#include "Masse.h"
#include "Programm.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPixmap>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <vector>

class QPainter;

namespace pinwick {

class BandAusgabe;
class BandServer;

class Band : public QWidget {
    Q_OBJECT
public:
    explicit Band(QWidget* eltern = nullptr);
    ~Band() override;

    static constexpr qsizetype LangerText = BandLayout::LangerText;
    static constexpr qsizetype StueckZeichen = BandLayout::StueckZeichen;
    static constexpr int KachelBreite = BandLayout::KachelBreite;

    // Font, background, colour of own notes and separators, colour of
    // broadcast notes, and the text's top inside the band (twips).
    void Aussehen(const QFont& schrift, const QColor& hintergrund, const QColor& eigene,
                  const QColor& broadcast, int textObenTwips);

    // Shows the entries with the separator after each, the first pass starting
    // at x twips. Static text is drawn once, without a separator after the
    // last entry; scrolling text carries one there and repeats until the band
    // is full. `stand` tells whether the entries are those of the last call:
    // the same number means the same entries, so they are not compared.
    void Zeigen(const std::vector<Eintrag>& eintraege, uint64_t stand, const QString& trenner,
                bool scrollend, double xTwips);
    // The same for a caller that keeps no such number: the entries are
    // compared with those of the last call.
    void Zeigen(const std::vector<Eintrag>& eintraege, const QString& trenner, bool scrollend,
                double xTwips);
    // A small mark at the band's right end ("2/3" for the second of three
    // pages); empty for none. Drawn over the text, in the colour of own notes.
    void MarkeSetzen(const QString& marke);
    const QString& Marke() const { return marke_; }
    // Width the mark takes, in twips (0 without one).
    int MarkenBreite(const QString& marke) const;
    // Nothing to show: the band is just its background.
    void Leeren();
    bool Leer() const { return leer_; }
    double X() const { return x_; }
    // Where the text shown last stands after one scroll step of `schritt`
    // twips (BandLayout::Weiter).
    double Weiter(double x, int schritt) { return layout_.Weiter(x, schritt); }

    // Width of the pass last given to Zeigen in twips; for scrolling text the
    // distance between repetitions (entries, spaces and separators). Lays out
    // whatever of the pass is not laid out yet.
    qint64 PassBreite() { return layout_.PassBreite(); }
    // What is laid out of the pass so far, in twips: the pass is at least
    // this wide. Showing a position lays the pass out past the band's right
    // edge, so while this much has not left the band on the left, neither
    // has the pass, and its whole width is not needed yet.
    qint64 PassBreiteMindestens() const { return Twips(layout_.GemessenPx()); }
    bool PassFertig() const { return layout_.Fertig(); }

    // Width of a text in the band's font, in twips. A long text is measured
    // in pieces, and the measuring stops once the width exceeds `grenze`
    // (the result is then more than `grenze`, not the whole width).
    int TextBreite(const QString& text, int grenze = std::numeric_limits<int>::max()) const {
        return layout_.TextBreite(text, grenze);
    }

    // What is kept of the rendered pass: the number of tiles and their size
    // in device pixels (width times height, all tiles together).
    int KachelAnzahl() const;
    qint64 KachelPixel() const;

    // Scrolling text on the display server (X11), see BandServer. Without an
    // output, or when it cannot serve the band's window, Qt paints the band;
    // both give the same picture. The band takes X11Ausgabe() when it is
    // made; nullptr leaves everything to Qt.
    void AusgabeSetzen(std::unique_ptr<BandAusgabe> ausgabe);
    // Whether the last step went to the server.
    bool AufServer() const;
    // Paints the band as its paint event does, onto a painter placed at the
    // band's top left (a Wayland bar's buffer).
    void Malen(QPainter& maler);

    // What the band has done so far, for tests and benchmarks: steps of the
    // layout, tiles rendered, tiles sent to the server, steps shown by
    // copies on the server and steps left to Qt's painting.
    struct Zaehler {
        qint64 auslegen = 0;
        qint64 gemalt = 0;
        qint64 hochgeladen = 0;
        qint64 serverSchritte = 0;
        qint64 qtSchritte = 0;
    };
    Zaehler Statistik() const;

    // The entry shown under a point of the band (logical pixels from its
    // top left): its index in the entries last given to Zeigen, or -1 for a
    // separator, the room beside the text, or an empty band.
    int EintragBei(QPointF stelle);
    // The tooltip for an entry (plain text; empty: the band's own tooltip).
    std::function<QString(int eintrag)> hinweisFuer;
    // The tooltip at a point of the band: the entry's, else the band's own
    // (plain text; empty: none, the bar's then).
    QString HinweisBei(QPointF stelle);

signals:
    // A double-click with the left button.
    void doppelKlick();
    // A press of the left button on entry `eintrag` (-1: on none). The
    // press goes on to the bar as before.
    void geklickt(int eintrag);

protected:
    bool event(QEvent* ereignis) override;
    void paintEvent(QPaintEvent* ereignis) override;
    void mousePressEvent(QMouseEvent* ereignis) override;
    void mouseDoubleClickEvent(QMouseEvent* ereignis) override;

private:
    struct Kachel {
        qint64 nummer = 0;
        QPixmap bild;
    };

    // Takes the position after the entries (`neu`: laid out anew).
    void uebernehmen(bool neu, bool scrollend, double xTwips);
    // Forgets the tiles (a new layout or look).
    void kachelnLeeren();
    const QPixmap& kachel(qint64 k, qreal dpr);
    // Draws tile k onto a picture of its size, filled with the background.
    void kachelMalen(QPaintDevice& bild, qint64 k, qreal dpr);
    // The tile in the scratch picture (for a paint while the tiles live on
    // the server).
    const QImage& kachelKratzer(qint64 k, qreal dpr);
    void markeMalen(QPainter& maler);

    BandLayout layout_;
    QColor hintergrund_;
    QColor markenFarbe_;
    QString marke_;

    bool leer_ = true;
    bool scrollend_ = false;
    double x_ = 0;

    // Rendered tiles: those on screen and the one about to come.
    std::vector<Kachel> kacheln_;
    std::vector<BandLayout::Stelle> stellen_; // kept to spare allocations
    qint64 naechste_ = -1;
    qreal kachelnDpr_ = 0;
    int kachelnHoehe_ = 0;
    QImage kratzer_;

    std::unique_ptr<BandServer> server_;
    qint64 gemalt_ = 0;
    qint64 qtSchritte_ = 0;
};

} // namespace pinwick
