#pragma once
// A click on a feed's item in the band opens the item's page, but only once
// the double-click interval has passed without a second press: a
// double-click on the band opens the administration, and must not open a
// browser on its way. Widget-free and on a clock given by the caller, so
// that the decision is the same on the X11 and the Wayland bar.

#include <QString>
#include <QtGlobal>

namespace pinwick {

class BandKlick {
public:
    explicit BandKlick(int intervallMs = 400) : intervallMs_(intervallMs) {}
    void IntervallSetzen(int ms) { intervallMs_ = ms; }

    // A press of the left button at `ms` on an item with this link (empty:
    // no link there). A press within the interval of one that waits makes
    // a double-click: nothing opens.
    void Druck(qint64 ms, const QString& link);
    // The double-click itself (it may come without a second Druck).
    void Doppelklick();
    // Milliseconds until the waiting link is due (0: now), -1 when none waits.
    qint64 MsBis(qint64 ms) const;
    // The link due at `ms`, once; empty while none is (yet).
    QString Faellig(qint64 ms);

private:
    int intervallMs_;
    QString wartend_;
    qint64 seit_ = 0;
};

} // namespace pinwick
