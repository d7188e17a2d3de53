#pragma once
// What the band's picture tests share: the separator, fonts, words, a list
// of notes of both sources, and a pixel-by-pixel comparison.

#include "Programm.h"

#include <QFont>
#include <QImage>
#include <QString>
#include <vector>

namespace pinwick::test {

inline const QString BandTrenner = QStringLiteral(" \u00B7 ");

inline QFont Schrift(const char* name, int groesse, bool kursiv = false, bool fett = false) {
    QFont f(QString::fromLatin1(name));
    f.setPointSize(groesse);
    f.setItalic(kursiv);
    f.setBold(fett);
    return f;
}

// Words of 2 to 10 letters with blanks between, the same for the same seed.
inline QString Woerter(qsizetype zeichen, quint32 z) {
    QString t;
    t.reserve(zeichen + 11);
    while (t.size() < zeichen) {
        z = z * 1103515245u + 12345u;
        const int laenge = 2 + int((z >> 16) % 9);
        for (int i = 0; i < laenge; ++i) {
            z = z * 1103515245u + 12345u;
            t += QChar(char16_t(u'a' + (z >> 16) % 26));
        }
        t += u' ';
    }
    t.truncate(zeichen);
    return t;
}

// `anzahl` notes "Notiz i: text", every third one a broadcast note.
inline std::vector<Eintrag> Notizen(int anzahl, const QString& text) {
    std::vector<Eintrag> e;
    for (int i = 0; i < anzahl; ++i)
        e.push_back({int16_t(i % 3 == 0 ? Eintrag::Broadcast : Eintrag::Eigene),
                     QStringLiteral("Notiz %1: ").arg(i) + text});
    return e;
}

// Pixels that differ (in colour only when `nurFarbe`: an X server's fourth
// byte is not Qt's alpha); -1 for pictures of different sizes.
inline int AbweichendePixel(const QImage& a, const QImage& b, bool nurFarbe = false) {
    if (a.size() != b.size())
        return -1;
    const QRgb maske = nurFarbe ? 0xFFFFFFu : 0xFFFFFFFFu;
    int anzahl = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            anzahl += (a.pixel(x, y) & maske) != (b.pixel(x, y) & maske);
    return anzahl;
}

} // namespace pinwick::test
