#pragma once
// A 3D panel: a rectangle with a text, filled with its back colour and, when
// its edge is on, drawn raised with a light upper-left and a dark lower-right
// border. The program uses it as a label, a framed group and a flat button.

#include <QFrame>
#include <QString>
#include <cstdint>

namespace pinwick {

class Panel3D : public QFrame {
    Q_OBJECT
    // Published so that code which only knows a QWidget (the message line of
    // any dialog) reaches what the panel really paints.
    Q_PROPERTY(QString text READ text WRITE setText)
    Q_PROPERTY(int hintergrund READ hintergrund WRITE setHintergrund)
    Q_PROPERTY(int schriftFarbe READ schriftFarbe WRITE setSchriftFarbe)
public:
    explicit Panel3D(QWidget* eltern = nullptr);
    Panel3D(const QString& text, QWidget* eltern);

    QString text() const { return text_; }
    void setText(const QString& text);

    // Edge on: raised bevel; off: flat.
    bool rand() const { return rand_; }
    void setRand(bool an);
    // The edge drawn sunken instead of raised (a pressed button panel, a
    // field set into its frame).
    bool eingesenkt() const { return eingesenkt_; }
    void setEingesenkt(bool an);
    int randBreite() const { return randBreite_; }
    void setRandBreite(int px);

    Qt::Alignment ausrichtung() const { return ausrichtung_; }
    void setAusrichtung(Qt::Alignment ausrichtung);
    // Long texts break between words; otherwise they stay on one line.
    bool umbruch() const { return umbruch_; }
    void setUmbruch(bool an);

    // Colours as &H00BBGGRR.
    int32_t hintergrund() const { return hintergrund_; }
    void setHintergrund(int32_t bbggrr);
    int32_t schriftFarbe() const { return schriftFarbe_; }
    void setSchriftFarbe(int32_t bbggrr);
    // No fill: whatever lies beneath shows through (text on a picture).
    bool durchsichtig() const { return durchsichtig_; }
    void setDurchsichtig(bool an);

    // A clickable panel takes the mouse itself and reports it; any other
    // panel leaves clicks to the window beneath it.
    bool klickbar() const { return klickbar_; }
    void setKlickbar(bool an);

    QSize sizeHint() const override;

signals:
    // Pressed and released with any mouse button, like a button panel's
    // mouse-down and mouse-up; a click is the left button released inside.
    void gedrueckt();
    void losgelassen();
    void geklickt();
    void betreten();
    void verlassen();

protected:
    void paintEvent(QPaintEvent* ereignis) override;
    void mousePressEvent(QMouseEvent* ereignis) override;
    void mouseReleaseEvent(QMouseEvent* ereignis) override;
    void enterEvent(QEnterEvent* ereignis) override;
    void leaveEvent(QEvent* ereignis) override;

private:
    void raenderSetzen();

    QString text_;
    bool rand_ = true;
    bool eingesenkt_ = false;
    int randBreite_ = 1;
    Qt::Alignment ausrichtung_ = Qt::AlignCenter;
    bool umbruch_ = false;
    int32_t hintergrund_ = 0xC0C0C0; // light grey
    int32_t schriftFarbe_ = 0x000000;
    bool durchsichtig_ = false;
    bool klickbar_ = false;
};

} // namespace pinwick
