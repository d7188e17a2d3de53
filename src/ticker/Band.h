#pragma once
// The ticker band: draws the entry list in one line at a horizontal position
// given in twips, once (static text) or repeated without a gap (scrolling
// text).
//
// The band is redrawn twenty times a second, so the text is laid out and
// rendered only when the entries, the font or the colours change: one pass
// (every entry with its separator) goes into a row of opaque pictures, and a
// repaint only copies the visible ones to their places.

#include "Programm.h"

#include <QColor>
#include <QFont>
#include <QPixmap>
#include <QString>
#include <QWidget>
#include <vector>

namespace pinwick {

class Band : public QWidget {
    Q_OBJECT
public:
    explicit Band(QWidget* eltern = nullptr);

    // Font, background, colour of own notes and separators, colour of
    // broadcast notes, and the text's top inside the band (twips).
    void Aussehen(const QFont& schrift, const QColor& hintergrund, const QColor& eigene,
                  const QColor& broadcast, int textObenTwips);

    // Shows the entries with the separator after each, the first pass starting
    // at x twips. Static text is drawn once, without a separator after the
    // last entry; scrolling text carries one there and repeats until the band
    // is full.
    void Zeigen(const std::vector<Eintrag>& eintraege, const QString& trenner, bool scrollend,
                double xTwips);
    // Nothing to show: the band is just its background.
    void Leeren();
    bool Leer() const { return leer_; }
    double X() const { return x_; }

    // Width of the pass last given to Zeigen in twips; for scrolling text the
    // distance between repetitions (entries, spaces and separators).
    int PassBreite() const { return passBreitePx_ * 15; }

    // Width of a text in the band's font, in twips.
    int TextBreite(const QString& text) const;

signals:
    // A double-click with the left button.
    void doppelKlick();

protected:
    void paintEvent(QPaintEvent* ereignis) override;
    void mouseDoubleClickEvent(QMouseEvent* ereignis) override;

private:
    struct Stueck {
        QString text;
        bool broadcastFarbe = false;
        int links = 0; // logical pixels from the start of the pass
        int breite = 0;
    };
    // Lays out the pass for the given entries and mode when anything changed;
    // true when it did.
    bool vorbereiten(const std::vector<Eintrag>& eintraege, const QString& trenner, bool scrollend);
    // Renders the pass into pictures of at most one chunk's width each.
    void rendern(qreal dpr);

    QFont schrift_;
    QColor hintergrund_;
    QColor eigene_;
    QColor broadcast_;
    int textObenTwips_ = 0;

    bool leer_ = true;
    bool scrollend_ = false;
    double x_ = 0;

    // The laid-out pass and what it was made from.
    std::vector<Eintrag> eintraege_;
    QString trenner_;
    bool passScrollend_ = false;
    bool passGueltig_ = false;
    std::vector<Stueck> stuecke_;
    int passBreitePx_ = 0;

    // The rendered pass.
    std::vector<QPixmap> bilder_;
    qreal bilderDpr_ = 0;
    int bilderHoehe_ = 0;
};

} // namespace pinwick
