#pragma once
// Steps that may fail without stopping their caller.

namespace pinwick {

// Runs one step; whatever it throws is dropped. For steps whose failure
// changes nothing the caller relies on (a value keeps what it held).
template <typename F> void versuche(F&& schritt) {
    try {
        schritt();
    } catch (...) {
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
