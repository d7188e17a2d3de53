#pragma once
// The ticker bar in tests: a Terminal that never ends the test program.

#include "Terminal.h"

namespace pinwick::test {

// Counts the program ends instead of ending. With Takt::VomTest the bar's
// own timer never fires: the test ticks it and is its clock.
class TestLeiste : public Terminal {
public:
    enum class Takt { Eigener, VomTest };
    explicit TestLeiste(Programm& p, Takt takt = Takt::Eigener) : Terminal(p), takt_(takt) {}
    int beendet = 0;

protected:
    void Beenden() override { ++beendet; }
    void timerEvent(QTimerEvent* ereignis) override {
        if (takt_ == Takt::Eigener)
            Terminal::timerEvent(ereignis);
    }

private:
    Takt takt_;
};

} // namespace pinwick::test
