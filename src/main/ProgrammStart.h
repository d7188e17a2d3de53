#pragma once
// The program start: everything between launch and the ticker bar.

#include "Datenordner.h"
#include "Programm.h"

#include <QString>
#include <functional>
#include <stdexcept>

namespace pinwick {

// A start step that stops the program: it names what failed.
class StartFehler : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The windows the start shows. The window layer fills these in; without them
// (tests, or no display) the start runs its steps with no windows at all.
struct StartFenster {
    std::function<void()> introZeigen; // splash, modeless
    std::function<void()> introSchliessen;
    std::function<void()> netzConnectZeigen; // connection notice, modeless
    std::function<void()> leisteZeigen;      // the ticker bar
    // The receiver over the web, set up before the broadcaster is first read
    // (a system-wide setting taken at the first start, a stale copy removed).
    std::function<void()> webEmpfang;
    std::function<void()> hilfeZeigen;       // first-run help page
    bool warten = true;                      // the one-second splash pause
};

// Runs the whole start. Throws StartFehler while the local database is not
// yet open; from the recordsets on, a failing step is skipped.
void ProgrammStart(Programm& p, const StartFenster& fenster = {});

} // namespace pinwick
