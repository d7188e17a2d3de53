#pragma once
// Where the band's text goes, without any widget: the pieces of a pass and
// their places, their widths, which tiles of the pass stand where in the
// band at a given position, and how the position moves on.
//
// A pass is a row of pieces: an entry with the space after it and the
// separator that follows it. An entry of more than LangerText characters is
// cut into pieces of about StueckZeichen characters, so that a tile draws
// only the characters that fall into it. The pass is laid out only as far as
// it is asked for: a note may hold a megabyte of text and a broadcaster may
// list a hundred thousand.
//
// Positions: x in twips is where the pass starts, relative to the band's
// left edge; pixels of the pass are logical pixels from its start; device
// pixels are those times the device pixel ratio.

#include "Programm.h"

#include <QColor>
#include <QFont>
#include <QString>
#include <cstdint>
#include <limits>
#include <vector>

class QFontMetrics;
class QFontMetricsF;
class QPainter;

namespace pinwick {

class BandLayout {
public:
    // Entries longer than this are laid out in pieces of about StueckZeichen
    // characters; shorter ones in one go, each character where the text
    // engine puts it within its entry.
    static constexpr qsizetype LangerText = 1024;
    static constexpr qsizetype StueckZeichen = 256;
    // Width of one rendered tile of the pass, in device pixels.
    static constexpr int KachelBreite = 2048;

    // Font, colour of own notes and separators, colour of broadcast notes and
    // the text's top inside the band (twips). True when anything changed;
    // a valid layout is then made anew.
    bool Aussehen(const QFont& schrift, const QColor& eigene, const QColor& broadcast,
                  int textObenTwips);
    const QFont& Schrift() const { return schrift_; }

    // Takes the entries and what they come with. `stand` tells whether the
    // entries are those of the last call: the same number means the same
    // entries, so they are not compared. True when the pass is laid out anew.
    bool Nehmen(const std::vector<Eintrag>& eintraege, uint64_t stand, const QString& trenner,
                bool scrollend);
    // The same for a caller that keeps no such number: the entries are
    // compared with those of the last call.
    bool Nehmen(const std::vector<Eintrag>& eintraege, const QString& trenner, bool scrollend);
    bool Leer() const { return eintraege_.empty(); }

    // Width of a text in the font, in twips. A long text is measured in
    // pieces, and the measuring stops once the width exceeds `grenze` (the
    // result is then more than `grenze`, not the whole width).
    int TextBreite(const QString& text, int grenze = std::numeric_limits<int>::max()) const;

    // Lays the pass out until it reaches beyond px (logical pixels) or ends.
    void AuslegenBis(qint64 px);
    // Laid out so far, in logical pixels; and whether that is the whole pass.
    qint64 GemessenPx() const { return gemessenPx_; }
    bool Fertig() const { return fertig_; }
    // How far glyphs may reach past their advance (logical pixels).
    int Ueberhang() const { return ueberhang_; }
    // Width of the whole pass in twips (laying out what is left of it).
    qint64 PassBreite();
    // Steps of the layout done so far (an entry or a piece each).
    qint64 Schritte() const { return schritte_; }

    // Where the text stands after one scroll step of `schritt` twips from
    // x. Once the first pass has left the band, the picture from one pass
    // further right is the same; moving there keeps the position small. A
    // pass is laid out only as far as it has been shown: until the part laid
    // out has left the band, the pass has not, and its whole width is not
    // needed.
    double Weiter(double x, int schritt);

    // ---- tiles of the pass, in device pixels
    // Whether tile k exists (laying the pass out far enough to know).
    bool KachelDa(qint64 k, qreal dpr);
    // Lays the pass out as far as tile k reaches and gives its width.
    int KachelBreiteVon(qint64 k, qreal dpr);
    // A tile shown in the band: which one, and where its left edge is
    // (device pixels from the band's left edge).
    struct Stelle {
        qint64 kachel = 0;
        qint64 x = 0;
    };
    // The tiles a band `bandDev` wide shows with the pass at x (`stellen`,
    // kept by the caller to spare allocations), and the tile that comes into
    // view next (-1: none).
    qint64 Stellen(double xTwips, bool scrollend, qreal dpr, qint64 bandDev,
                   std::vector<Stelle>& stellen);

    // ---- the line of text: the passes one after another where the text
    // scrolls, the first alone where it stands (device pixels)
    // Where the band's left edge is in the line at x (negative while the
    // text starts right of it). Scrolling text repeats with the pass: once
    // the pass is complete, the same picture comes back every pass.
    qint64 Zeilenstelle(double xTwips, bool scrollend, qreal dpr, qint64 bandDev);
    // The entry under device pixel `bandPx` of a band `bandDev` wide that
    // shows the line at x: its text and the space after it count, the
    // separator and the room before and after the text do not (-1).
    int EintragBei(double xTwips, bool scrollend, qreal dpr, qint64 bandDev, qint64 bandPx);
    const std::vector<Eintrag>& Eintraege() const { return eintraege_; }
    // The line's tile that comes into view after tile k.
    qint64 NaechsteZeilenkachel(qint64 k, bool scrollend, qreal dpr) const;

    // ---- drawing
    // Draws the pieces of the pass between von and bis (logical pixels of
    // the pass) with the painter as it is placed.
    void PassMalen(QPainter& maler, qreal von, qreal bis, qreal dpr) const;
    // Draws the line from device pixel `anfang` to `ende` onto a painter
    // placed at `anfang`: each pass cut where its tiles end in Qt's
    // painting, so the pixels are the same.
    void ZeileMalen(QPainter& maler, qint64 anfang, qint64 ende, bool scrollend, qreal dpr,
                    qreal hoehe);

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

    // Takes the entries (unless they are the same); true when laid out anew.
    bool uebernehmen(const std::vector<Eintrag>& eintraege, bool gleich, const QString& trenner,
                     bool scrollend);
    // Forgets the layout (new entries, font or mode).
    void neuAuslegen();
    // Lays out the next entry, or the next piece of a long one.
    void auslegenSchritt(const QFontMetrics& fm, const QFontMetricsF& fmGenau);
    void langesStueck(Stueck& s, const Eintrag& e, const QFontMetricsF& fmGenau);
    QString stueckText(const Stueck& s) const;
    qint64 passDev(qreal dpr) const;
    QColor farbeVon(const Eintrag& e) const;

    QFont schrift_;
    QColor eigene_;
    QColor broadcast_;
    int textObenTwips_ = 0;

    // The entries of the pass and what they came with.
    std::vector<Eintrag> eintraege_;
    uint64_t stand_ = 0;
    bool standBekannt_ = false;
    QString trenner_;
    bool scrollend_ = false;

    // The layout so far: pieces in order, and where it goes on.
    std::vector<Stueck> stuecke_;
    QString trennStueck_; // the separator with its space
    int trennBreite_ = 0;
    int ueberhang_ = 0;
    size_t naechsterEintrag_ = 0;
    qsizetype naechsteStelle_ = 0; // inside a long entry
    qint64 langStart_ = 0;         // where the long entry being laid out starts
    double langSumme_ = 0;         // its exact width so far
    qint64 gemessenPx_ = 0;
    bool fertig_ = true;
    bool gueltig_ = false;
    qint64 schritte_ = 0;
};

} // namespace pinwick
