#pragma once
// The keys the store keeps for the life of the process (see
// datenbank/SchluesselAblage.cpp): what tests and benchmarks read and steer.
// The program itself opens files through Datenbank alone and never needs
// this header.

#include <QByteArray>
#include <QtGlobal>

namespace pinwick::schluesselablage {

struct Zahlen {
    quint64 ableitungen = 0; // keys derived from the password
    quint64 treffer = 0;     // opens with a kept key
    quint64 verworfen = 0;   // kept keys that did not open their file
};
// The counters since the process started.
Zahlen Stand();
// Forgets every kept key.
void AllesVergessen();
// Switches the keeping of keys on or off (off: every open derives, as the
// library does by itself; for measuring the difference).
void Behalten(bool an);
// Keeps a key for a salt and password as if it had opened a file: lets tests
// plant a wrong one.
void Merken(const QByteArray& salz, const QByteArray& passwort, const QByteArray& schluessel);

} // namespace pinwick::schluesselablage
