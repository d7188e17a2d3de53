#pragma once
// The controls of the note editor and the administration, found by their
// object names ("Uhrzeit1", "RhythmusOpt3"): indexed controls count from 1.

#include <QString>
#include <QWidget>
#include <gtest/gtest.h>

namespace pinwick::test {

template <typename T = QWidget> T* Kind(const QWidget& fenster, const QString& name) {
    T* kind = fenster.findChild<T*>(name);
    EXPECT_NE(kind, nullptr) << name.toStdString();
    return kind;
}

inline QString Nummer(const char* name, int i) {
    return QLatin1String(name) + QString::number(i);
}

} // namespace pinwick::test
