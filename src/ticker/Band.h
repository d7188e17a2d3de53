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
// band, not the length of the text.
//
// A pass is a row of pieces: an entry with the space after it and the
// separator that follows it. An entry of more than LangerText characters is
// cut into pieces of about StueckZeichen characters, so that a tile draws
// only the characters that fall into it.

#include "Masse.h"
#include "Programm.h"

#include <QColor>
#include <QFont>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QImage>
#include <QPixmap>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <QWindow>
#include <cstdint>
#include <limits>
#include <memory>
#include <vector>

class QPainter;

namespace pinwick {

class BandAusgabe;

class Band : public QWidget {
    Q_OBJECT
public:
    explicit Band(QWidget* eltern = nullptr);
    ~Band() override;

    // Entries longer than this are drawn in pieces of about StueckZeichen
    // characters; shorter ones in one go, each character where the text
    // engine puts it within its entry.
    static constexpr qsizetype LangerText = 1024;
    static constexpr qsizetype StueckZeichen = 256;
    // Width of one rendered tile of the pass, in device pixels.
    static constexpr int KachelBreite = 2048;

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
    // Nothing to show: the band is just its background.
    void Leeren();
    bool Leer() const { return leer_; }
    double X() const { return x_; }

    // Width of the pass last given to Zeigen in twips; for scrolling text the
    // distance between repetitions (entries, spaces and separators). Lays out
    // whatever of the pass is not laid out yet.
    qint64 PassBreite();
    // What is laid out of the pass so far, in twips: the pass is at least
    // this wide. Showing a position lays the pass out past the band's right
    // edge, so while this much has not left the band on the left, neither
    // has the pass, and its whole width is not needed yet.
    qint64 PassBreiteMindestens() const { return gemessenPx_ * TwipsJePixel; }
    bool PassFertig() const { return fertig_; }

    // Width of a text in the band's font, in twips. A long text is measured
    // in pieces, and the measuring stops once the width exceeds `grenze`
    // (the result is then more than `grenze`, not the whole width).
    int TextBreite(const QString& text, int grenze = std::numeric_limits<int>::max()) const;

    // What is kept of the rendered pass: the number of tiles and their size
    // in device pixels (width times height, all tiles together).
    int KachelAnzahl() const { return int(kacheln_.size() + serverKacheln_.size()); }
    qint64 KachelPixel() const;

    // Scrolling text on the display server (X11): each tile of the line of
    // text is sent there once and each step is one copy inside the server.
    // Without an output, or when it cannot serve the band's window, Qt
    // paints the band; both give the same picture. The band takes
    // X11Ausgabe() when it is made; nullptr leaves everything to Qt.
    void AusgabeSetzen(std::unique_ptr<BandAusgabe> ausgabe);
    // Whether the last step went to the server.
    bool AufServer() const { return aufServer_; }
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
    const Zaehler& Statistik() const { return zaehler_; }

signals:
    // A double-click with the left button.
    void doppelKlick();

protected:
    void paintEvent(QPaintEvent* ereignis) override;
    void mouseDoubleClickEvent(QMouseEvent* ereignis) override;
    // Exposes of the window: what Qt keeps of the band is painted afresh
    // before Qt shows it, as the server path does not keep it up to date.
    bool eventFilter(QObject* objekt, QEvent* ereignis) override;

private:
    // A piece of the pass: characters [von, von + laenge) of an entry, with a
    // space after them when they end the entry, and the separator after that
    // when one follows the entry.
    struct Stueck {
        qint64 links = 0; // logical pixels from the start of the pass
        int32_t eintrag = 0;
        int32_t von = 0; // texts come from the database, which ends at 1 GB
        int32_t laenge = 0;
        int32_t breite = 0; // of the characters and their space, not the separator
        // A piece of a long entry is drawn where the entry drawn in one go
        // would have it, this fraction of a pixel off its whole pixel.
        float bruch = 0;
        bool leer = false;
        bool trenner = false;
    };
    struct Kachel {
        qint64 nummer = 0;
        QPixmap bild;
    };
    // A tile of the line on the server: the line as the band shows it, from
    // nummer * KachelBreite on, a tile's width and the band's wide.
    struct ServerKachel {
        qint64 nummer = 0;
        uint32_t bild = 0;
        int breite = 0; // device pixels
    };
    // A tile shown in the band: which one, and where its left edge is
    // (device pixels from the band's left edge).
    struct Stelle {
        qint64 kachel = 0;
        qint64 x = 0;
    };

    // Forgets the layout and the tiles (new entries, font or mode).
    void neuAuslegen();
    // Takes the entries (unless they are the same) and the position.
    void uebernehmen(const std::vector<Eintrag>& eintraege, bool gleich, const QString& trenner,
                     bool scrollend, double xTwips);
    // Lays out the next entry, or the next piece of a long one.
    void auslegenSchritt(const QFontMetrics& fm, const QFontMetricsF& fmGenau);
    // Lays the pass out until it reaches beyond px (logical pixels) or ends.
    void auslegenBis(qint64 px);
    QString stueckText(const Stueck& s) const;
    qint64 passDev(qreal dpr) const;
    // Whether tile k exists (laying the pass out far enough to know).
    bool kachelDa(qint64 k, qreal dpr);
    const QPixmap& kachel(qint64 k, qreal dpr);
    // Lays the pass out as far as tile k reaches and gives its width
    // (device pixels).
    int kachelBreite(qint64 k, qreal dpr);
    // Draws tile k onto a picture of its size, filled with the background.
    void kachelMalen(QPaintDevice& bild, qint64 k, qreal dpr);
    // Draws the pieces of the pass between von and bis (logical pixels of
    // the pass) with the painter as it is placed.
    void passMalen(QPainter& maler, qreal von, qreal bis, qreal dpr);
    // The tile in the scratch picture (for a paint while the tiles live on
    // the server).
    const QImage& kachelKratzer(qint64 k, qreal dpr);
    // Fills stellen_ with the tiles the band shows, and naechste_ with the
    // one that comes into view next (-1: none).
    void stellenBerechnen(qreal dpr, qint64 bandDev);

    // The server path: shows the present position by copies on the server;
    // false when it cannot (Qt paints then).
    bool serverZeigen();
    // Tile k of the line of text as the band shows it (passes repeated
    // where the text scrolls): device pixels from k * KachelBreite on, a
    // tile's width and the band's.
    QImage zeileRendern(qint64 k, qreal dpr, qint64 bandDev);
    const ServerKachel* serverKachel(qint64 k, qreal dpr, qint64 bandDev);
    void serverKachelnLeeren();

    QFont schrift_;
    QColor hintergrund_;
    QColor eigene_;
    QColor broadcast_;
    int textObenTwips_ = 0;

    bool leer_ = true;
    bool scrollend_ = false;
    double x_ = 0;

    // The entries of the pass and what they came with.
    std::vector<Eintrag> eintraege_;
    uint64_t stand_ = 0;
    bool standBekannt_ = false;
    QString trenner_;
    bool passScrollend_ = false;

    // The layout so far: pieces in order, and where it goes on.
    std::vector<Stueck> stuecke_;
    QString trennStueck_; // the separator with its space
    int trennBreite_ = 0;
    int ueberhang_ = 0; // how far glyphs may reach past their advance
    size_t naechsterEintrag_ = 0;
    qsizetype naechsteStelle_ = 0; // inside a long entry
    qint64 langStart_ = 0;         // where the long entry being laid out starts
    double langSumme_ = 0;         // its exact width so far
    qint64 gemessenPx_ = 0;
    bool fertig_ = true;
    bool layoutGueltig_ = false;

    // Rendered tiles: those on screen and the one about to come.
    std::vector<Kachel> kacheln_;
    std::vector<Stelle> stellen_; // kept to spare allocations
    qint64 naechste_ = -1;
    qreal kachelnDpr_ = 0;
    int kachelnHoehe_ = 0;

    // The server path.
    std::unique_ptr<BandAusgabe> ausgabe_;
    std::vector<ServerKachel> serverKacheln_;
    qreal serverDpr_ = 0;
    int serverHoehe_ = 0;
    qint64 serverBreite_ = 0;
    bool serverAus_ = false; // the server failed; Qt paints from here on
    bool aufServer_ = false;
    // The copy last sent: what the window shows while aufServer_ holds.
    struct Kopie {
        uint32_t bild = 0;
        int vonX = 0;
        QRect ziel;
    } letzteKopie_;
    QImage kratzer_;
    QPointer<QWindow> beobachtet_;

    Zaehler zaehler_;
};

} // namespace pinwick
