#pragma once
// One column value of the store, as a record hands it out and takes it in.

#include <QString>
#include <QVariant>
#include <cstdint>

namespace pinwick {

// A column value that may be Null. The conversions throw DatenFehler
// (Datenbank.h) on Null or on a value that is not a number, as the readers of
// a record expect.
class Wert {
public:
    Wert() = default; // Null
    Wert(QVariant v) : v_(std::move(v)) {}
    Wert(int v) : v_(v) {}
    Wert(qint64 v) : v_(v) {}
    Wert(double v) : v_(v) {}
    Wert(bool b) : v_(b ? -1 : 0) {} // booleans are stored as -1 / 0
    Wert(const QString& s) : v_(s) {}
    Wert(const char* s) : v_(QString::fromUtf8(s)) {}

    bool istNull() const { return v_.isNull() || !v_.isValid(); }
    const QVariant& roh() const { return v_; }

    double alsDouble() const; // numbers, or texts holding a number
    int16_t alsInt16() const; // rounded half to even, range checked
    int32_t alsInt32() const; // rounded half to even, range checked
    bool alsBool() const;     // non-zero is true
    QString alsText() const;  // numbers in their plain text form

    // Equality the way a settings comparison sees it: Null equals nothing.
    bool gleich(const Wert& anderer) const;

private:
    QVariant v_;
};

} // namespace pinwick
