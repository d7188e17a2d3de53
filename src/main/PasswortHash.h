#pragma once
// The sysop password as the settings record keeps it: an Argon2id hash
// string in libsodium's format (salted, with its cost inside), never the
// password itself. Files written by older versions, and broadcasters that
// have not saved their settings since, still hold the password in the
// clear; such a value is compared as text until the installation that owns
// the file saves its settings again. QtCore and libsodium only.

#include <QString>

namespace pinwick {

// A stored value meant as a hash: it begins with "$argon2". It is never
// compared as text, not even when it is damaged.
bool IstPasswortHash(const QString& gespeichert);

// A new hash of the password, with a fresh salt, at a cost meant for a
// desktop (libsodium's interactive limits: 64 MiB and a fraction of a
// second). Throws std::runtime_error when it cannot be made.
QString PasswortHashen(const QString& passwort);

// Whether an entry opens what is stored: a hash is verified, anything else
// is compared character by character (an empty entry matches an empty
// value). A damaged hash, or one that asks for more memory or time than a
// desktop prompt should spend, matches nothing.
bool PasswortPasst(const QString& eingabe, const QString& gespeichert);

// What the own file gets for the value held in memory: a hash and an empty
// value stay as they are, a password in the clear is hashed.
QString PasswortFuerAblage(const QString& gespeichert);

} // namespace pinwick
