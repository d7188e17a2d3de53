#pragma once
// Shared pieces of the fuzz targets: a record held in memory, the reading of
// the targets' text inputs, and a check that stops the run loudly.
//
// Inputs are lines of text so that seeds can be written and read by hand:
//
//   @2024-02-29 08:00:00        a moment (date and time)
//   Rhythmus=i3                 a column: N Null, i integer, d double
//   RhyDetails=t236             (text after the d as Qt reads it, "inf" and
//   UhrVon=x3fd0000000000000    "nan" too), x the 16 hex digits of a
//   inhalt=u00e4d800            double's bits, t text (UTF-8, with \n \r \t
//   StartDatum=b00ff            \\ and \xHH escapes), u UTF-16 code units in
//                               hex (unpaired surrogates too), b a blob in hex

#include "Datenbank.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <optional>

namespace pinwick::fuzz {

// A finding: the message and a deliberate crash, which the fuzzer records.
#define FUZZ_PRUEFEN(bedingung, ...)                                                               \
    do {                                                                                           \
        if (!(bedingung)) {                                                                        \
            std::fprintf(stderr, "check failed: %s: ", #bedingung);                                \
            std::fprintf(stderr, __VA_ARGS__);                                                     \
            std::fprintf(stderr, "\n");                                                            \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)

// A record whose columns are held in memory; a column not given is Null, as
// in a row where nothing was written there.
class SpeicherSatz : public Satz {
public:
    Wert Feld(QStringView name) const override {
        for (const auto& [spalte, wert] : werte)
            if (QStringView(spalte).compare(name, Qt::CaseInsensitive) == 0)
                return wert;
        return Wert();
    }
    std::map<QString, Wert> werte;
};

inline int hexZiffer(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Hex digits to bytes; an odd last digit is dropped, other characters end it.
inline QByteArray ausHex(QByteArrayView text) {
    QByteArray bytes;
    for (qsizetype i = 0; i + 1 < text.size(); i += 2) {
        const int hoch = hexZiffer(text[i]);
        const int tief = hexZiffer(text[i + 1]);
        if (hoch < 0 || tief < 0)
            break;
        bytes.append(static_cast<char>(hoch * 16 + tief));
    }
    return bytes;
}

// Text with the escapes \n \r \t \\ and \xHH (any byte).
inline QByteArray entschluesseln(QByteArrayView text) {
    QByteArray aus;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 >= text.size()) {
            aus.append(text[i]);
            continue;
        }
        const char c = text[++i];
        if (c == 'n')
            aus.append('\n');
        else if (c == 'r')
            aus.append('\r');
        else if (c == 't')
            aus.append('\t');
        else if (c == 'x' && i + 2 < text.size() && hexZiffer(text[i + 1]) >= 0 &&
                 hexZiffer(text[i + 2]) >= 0) {
            aus.append(static_cast<char>(hexZiffer(text[i + 1]) * 16 + hexZiffer(text[i + 2])));
            i += 2;
        } else
            aus.append(c);
    }
    return aus;
}

// Text as UTF-16 code units, four hex digits each.
inline QString ausUtf16Hex(QByteArrayView text) {
    QString aus;
    for (qsizetype i = 0; i + 3 < text.size(); i += 4) {
        const QByteArray zwei = ausHex(text.sliced(i, 4));
        if (zwei.size() != 2)
            break;
        aus.append(QChar(static_cast<char16_t>((uint8_t(zwei[0]) << 8) | uint8_t(zwei[1]))));
    }
    return aus;
}

// One column value in the form above; nothing for a form it does not know.
inline std::optional<Wert> wertLesen(QByteArrayView text) {
    if (text.isEmpty())
        return std::nullopt;
    const QByteArrayView rest = text.sliced(1);
    switch (text[0]) {
    case 'N':
        return Wert();
    case 'i': {
        bool ok = false;
        const qint64 zahl = rest.toByteArray().toLongLong(&ok);
        if (!ok)
            return std::nullopt;
        return Wert(zahl);
    }
    case 'd': {
        bool ok = false;
        const double zahl = rest.toByteArray().toDouble(&ok);
        if (!ok)
            return std::nullopt;
        return Wert(zahl);
    }
    case 'x': {
        const QByteArray bits = ausHex(rest);
        if (bits.size() != 8)
            return std::nullopt;
        uint64_t roh = 0;
        for (char b : bits)
            roh = (roh << 8) | uint8_t(b);
        double zahl;
        std::memcpy(&zahl, &roh, sizeof zahl);
        return Wert(zahl);
    }
    case 't':
        return Wert(QString::fromUtf8(entschluesseln(rest)));
    case 'u':
        return Wert(ausUtf16Hex(rest));
    case 'b':
        return Wert(QVariant(ausHex(rest)));
    default:
        return std::nullopt;
    }
}

inline QList<QByteArrayView> zeilen(const uint8_t* daten, size_t groesse) {
    QList<QByteArrayView> liste;
    const QByteArrayView alles(reinterpret_cast<const char*>(daten),
                               static_cast<qsizetype>(groesse));
    qsizetype ab = 0;
    while (ab <= alles.size()) {
        qsizetype ende = alles.indexOf('\n', ab);
        if (ende < 0)
            ende = alles.size();
        liste.append(alles.sliced(ab, ende - ab));
        ab = ende + 1;
    }
    return liste;
}

} // namespace pinwick::fuzz
