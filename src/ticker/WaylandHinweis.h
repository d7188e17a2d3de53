#pragma once
// The bar's tooltip on the layer surface. Qt never shows the bar's widgets
// there, so it never shows their tooltips either: when the pointer rests on
// the bar for the desktop's tooltip delay, the text Qt would show at that
// point opens as a popup of the layer surface next to the pointer. It takes
// neither the pointer nor the keyboard, and goes when the pointer moves on,
// leaves, clicks, or a key is pressed.

#include <QObject>
#include <QPoint>
#include <QPointF>
#include <QSize>
#include <QString>
#include <QTimer>

class QWidget;
struct wl_surface;
struct xdg_popup;
struct xdg_surface;

namespace pinwick {

class LeistenAnsicht;
class Puffervorrat;
class WaylandFlaeche;
class WaylandMenue;
class WaylandVerbindung;
struct Zeigerstand;

// The tooltip Qt would show at a point of a widget (its coordinates): that
// of the widget under the point, else of the nearest one around it that has
// one, up to the window; on the band, the entry's under the point first.
QString WidgetHinweis(QWidget* wurzel, QPoint stelle);

class WaylandHinweis : public QObject {
public:
    WaylandHinweis(WaylandVerbindung& verbindung, WaylandFlaeche& leiste, Puffervorrat& vorrat,
                   LeistenAnsicht& ansicht, const WaylandMenue& menue, Zeigerstand& zeiger);
    ~WaylandHinweis() override;

    // The pointer came to the bar or moved on it: a tooltip that is shown
    // stays for a tremor and goes for more; the wait starts anew.
    void Bewegt();
    // Hides the tooltip and stops waiting (leave, click, key, menu).
    void Zu();
    bool Offen() const { return popup_ != nullptr; }
    // The text shown, empty when none (tests).
    const QString& Text() const { return text_; }

    struct Hoererei;

private:
    void zeigen();
    void weg();
    void zeichnen();

    WaylandVerbindung& verbindung_;
    WaylandFlaeche& leiste_;
    Puffervorrat& vorrat_;
    LeistenAnsicht& ansicht_;
    const WaylandMenue& menue_;
    Zeigerstand& zeiger_;
    QTimer warten_;
    QPointF da_; // where the pointer was when it was shown
    QString text_;
    QSize groesse_; // logical pixels
    wl_surface* flaeche_ = nullptr;
    xdg_surface* xdg_ = nullptr;
    xdg_popup* popup_ = nullptr;
};

} // namespace pinwick
