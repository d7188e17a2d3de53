#pragma once
// The pieces of turning a feed's text into what the band shows, shared by
// the reader of the documents and the reduction of HTML (FeedText.cpp).

#include <QHash>
#include <QString>
#include <QStringView>

namespace pinwick::feedtext {

// Raw text gathered from one element before it is reduced: enough for any
// summary worth showing, and a bound on what a single element can cost.
constexpr qsizetype RohHoechstens = 64 * 1024;

// HTML's named entities that feeds use (all of Latin-1, the typographic
// ones and a few signs).
const QHash<QString, char16_t>& HtmlNamen();
// A code point from a character reference, or U+FFFD for one that is no
// character (a surrogate, beyond Unicode, NUL).
QString ZeichenAus(uint code);
// At most `hoechstens` characters, an ellipsis where it was cut.
QString Kuerzen(QString text, int hoechstens);
// An HTML element that parts text (a paragraph, a line break, a cell).
bool IstBlock(QStringView name);
// Plain text with its control characters dropped, its white space settled
// and its length cut.
QString Eben(const QString& text, int hoechstens);

} // namespace pinwick::feedtext
