#pragma once
// The windows' controls as the tests reach them: by their object names.

#include <QString>
#include <QWidget>
#include <gtest/gtest.h>

namespace pinwick::test {

// The control of that name and type inside the window; a test that asks for
// one the window does not have fails there.
template <class T> T* Teil(const QWidget& fenster, const QString& name) {
    T* teil = fenster.findChild<T*>(name);
    EXPECT_NE(teil, nullptr) << "no control " << name.toStdString();
    return teil;
}

} // namespace pinwick::test
