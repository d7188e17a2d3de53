#pragma once
// The about box: product name, what it is, the version, the makers, and a
// link to the product's web page in the user's language.

#include "Programm.h"

#include <QDialog>
#include <QString>
#include <functional>

class QPushButton;

namespace pinwick {

class Panel3D;

class About : public QDialog {
    Q_OBJECT
public:
    explicit About(Programm& p, QWidget* eltern = nullptr);

    // TextLab 1 to 5 (name, line, version, copyright, place) and 12 (link).
    Panel3D* textLab(int nummer) const;
    QPushButton* endeBef() const { return endeBef_; }

    // Hands the web address to the desktop; tests put a recorder here.
    std::function<int32_t(const QString&)> webSeiteOeffnen;

private:
    void webSeiteZeigen();

    Programm& p_;
    Panel3D* lab_[6] = {};
    QPushButton* endeBef_ = nullptr;
};

// Shows the about box modally.
void AboutZeigen(Programm& p);

} // namespace pinwick
