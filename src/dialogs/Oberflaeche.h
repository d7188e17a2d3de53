#pragma once
// What the windows keep for the whole program beside its values: the bar
// once it is shown (dialogs place themselves against it) and the one bubble
// on screen. It hangs in Programm as an opaque FensterSchicht, so that the
// core builds without a window library; made on first use.

#include "Programm.h"

#include <QPointer>
#include <QWidget>

namespace pinwick {

struct Oberflaeche : Programm::FensterSchicht {
    // The ticker bar once it is shown.
    QWidget* leiste = nullptr;
    // The one bubble on screen, if any; showing a new one closes this one.
    QPointer<QWidget> bubble;

    // The program's window layer, made on first use. It also gives the
    // program the system's beep.
    static Oberflaeche& Von(Programm& p);
};

} // namespace pinwick
