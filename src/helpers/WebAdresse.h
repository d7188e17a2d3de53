#pragma once
// The one rule for an address this program fetches from the web: a feed, a
// broadcast snapshot, a feed named inside a snapshot. Shared so that every
// door (the feed command, the receive command, the settings window, a
// snapshot's feed list) lets in exactly the same addresses.

#include <QString>
#include <QUrl>

namespace pinwick {

// http or https with a host, and no user or password in it: such an address
// ends up in files that every receiver reads.
bool WebAdresseErlaubt(const QUrl& adresse);

// The same for what a user typed (blanks around it ignored, read strictly):
// empty when the address may be used as a broadcast path, otherwise why not,
// in English words for the command line and the log.
QString WebAdresseFehler(const QString& eingabe);

} // namespace pinwick
