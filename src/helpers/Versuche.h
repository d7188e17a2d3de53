#pragma once
// Steps that may fail without stopping their caller.
//
// Only for a step whose failure leaves nothing half-done and changes nothing
// the caller relies on: a value keeps what it held, a file that could not be
// removed stays, a row that could not be read is skipped. Never around a
// write that has to be whole (a save, an update's swap): those report their
// failure to their caller, who shows it. What is dropped is told on the
// category "pinwick.skipped" at debug level.

#include "Protokoll.h"

#include <exception>

namespace pinwick {

// Runs one step; whatever it throws is dropped.
template <typename F> void versuche(F&& schritt) {
    try {
        schritt();
    } catch (const std::exception& fehler) {
        qCDebug(logUebersprungen, "step skipped: %s", fehler.what());
    } catch (...) {
        qCDebug(logUebersprungen, "step skipped");
    }
}

// The outcome of a test that may fail to be evaluated (a Null, a missing
// column): true when the test holds or cannot be evaluated, so that the
// branch written first is taken.
template <typename F> bool testOderErster(F&& test) {
    try {
        return test();
    } catch (...) {
        return true;
    }
}

} // namespace pinwick
