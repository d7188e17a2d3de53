#include "DatenbankIntern.h"

#include "Hilfen.h"

#include <QLocale>
#include <cmath>
#include <limits>

namespace pinwick {

using intern::ganzzahl;
using intern::istGanzzahl;
using intern::istZahl;
using intern::textAlsZahl;
using intern::werfen;

bool intern::istGanzzahl(const QVariant& v) {
    switch (v.typeId()) {
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
        return true;
    default:
        return false;
    }
}

bool intern::istZahl(const QVariant& v) {
    return istGanzzahl(v) || v.typeId() == QMetaType::Double || v.typeId() == QMetaType::Float;
}

qint64 intern::ganzzahl(const QVariant& v) {
    if (v.typeId() == QMetaType::Bool)
        return v.toBool() ? -1 : 0;
    return v.toLongLong();
}

bool intern::textAlsZahl(const QString& text, double& zahl) {
    bool ok = false;
    zahl = QLocale::c().toDouble(QStringView(text).trimmed(), &ok);
    return ok && std::isfinite(zahl);
}

namespace {

template <typename T> T ganzzahlImBereich(const Wert& w, const char* typ) {
    if (istGanzzahl(w.roh())) {
        const qint64 n = ganzzahl(w.roh());
        if (n < std::numeric_limits<T>::min() || n > std::numeric_limits<T>::max())
            werfen(QStringLiteral("value %1 out of range for %2").arg(n).arg(QLatin1String(typ)));
        return static_cast<T>(n);
    }
    const double x = RundeGerade(w.alsDouble());
    if (!(x >= std::numeric_limits<T>::min() && x <= std::numeric_limits<T>::max()))
        werfen(QStringLiteral("value %1 out of range for %2").arg(x).arg(QLatin1String(typ)));
    return static_cast<T>(x);
}

} // namespace

double Wert::alsDouble() const {
    if (istNull())
        werfen(QStringLiteral("invalid use of Null"));
    if (istGanzzahl(v_))
        return static_cast<double>(ganzzahl(v_));
    if (istZahl(v_)) {
        // A REAL column can hold infinities (a stored 1e999); they are as
        // unreadable as a text that is no number.
        const double zahl = v_.toDouble();
        if (std::isfinite(zahl))
            return zahl;
    } else if (v_.typeId() == QMetaType::QString) {
        double zahl;
        if (textAlsZahl(v_.toString(), zahl))
            return zahl;
    }
    werfen(QStringLiteral("type mismatch: '%1' is not a finite number").arg(v_.toString()));
}

int16_t Wert::alsInt16() const {
    return ganzzahlImBereich<int16_t>(*this, "a 16-bit integer");
}

int32_t Wert::alsInt32() const {
    return ganzzahlImBereich<int32_t>(*this, "a 32-bit integer");
}

bool Wert::alsBool() const {
    if (istNull())
        werfen(QStringLiteral("invalid use of Null"));
    if (v_.typeId() == QMetaType::QString) {
        const QString text = v_.toString().trimmed();
        if (text.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0)
            return true;
        if (text.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0)
            return false;
    }
    return alsDouble() != 0.0;
}

QString Wert::alsText() const {
    if (istNull())
        werfen(QStringLiteral("invalid use of Null"));
    if (istGanzzahl(v_))
        return QString::number(ganzzahl(v_));
    if (istZahl(v_)) {
        const double x = v_.toDouble();
        // Whole numbers read as such ("3", not "3.0" or "3e+00").
        if (std::trunc(x) == x && std::fabs(x) < 1e15)
            return QString::number(static_cast<qint64>(x));
        return QString::number(x, 'g', 15);
    }
    if (v_.typeId() == QMetaType::QByteArray)
        return QString::fromUtf8(v_.toByteArray());
    return v_.toString();
}

bool Wert::gleich(const Wert& anderer) const {
    if (istNull() || anderer.istNull())
        return false;
    const QVariant& a = v_;
    const QVariant& b = anderer.v_;
    if (istGanzzahl(a) && istGanzzahl(b))
        return ganzzahl(a) == ganzzahl(b);
    const bool zahlA = istZahl(a);
    const bool zahlB = istZahl(b);
    if (zahlA || zahlB) {
        // A number and a text holding a number compare by value.
        double x, y;
        if (zahlA)
            x = istGanzzahl(a) ? static_cast<double>(ganzzahl(a)) : a.toDouble();
        else if (a.typeId() != QMetaType::QString || !textAlsZahl(a.toString(), x))
            return false;
        if (zahlB)
            y = istGanzzahl(b) ? static_cast<double>(ganzzahl(b)) : b.toDouble();
        else if (b.typeId() != QMetaType::QString || !textAlsZahl(b.toString(), y))
            return false;
        return x == y;
    }
    if (a.typeId() == QMetaType::QString && b.typeId() == QMetaType::QString)
        return a.toString() == b.toString();
    return a == b;
}

} // namespace pinwick
