// Entry boxes named after the captions beside or above them, for screen
// readers.

#include "BedienNamen.h"
#include "Panel3D.h"
#include "TestHilfe.h"

#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTextEdit>
#include <gtest/gtest.h>

using namespace pinwick;

TEST(BedienNamen, BoxesTakeTheCaptionLeftOrAboveWithinTheirGroup) {
    QDialog fenster;
    fenster.setWindowTitle(QStringLiteral("Pinwick - Edit note"));
    fenster.resize(400, 300);
    const auto setzen = [](QWidget* w, int x, int y, int b, int h) {
        w->setGeometry(x, y, b, h);
        return w;
    };
    auto* text = new QTextEdit(&fenster);
    setzen(text, 10, 10, 380, 50);
    auto* von = new QRadioButton(QStringLiteral("&From"), &fenster);
    setzen(von, 10, 70, 60, 20);
    auto* vonBox = new QLineEdit(&fenster);
    setzen(vonBox, 75, 68, 50, 24);
    auto* bis = new QLabel(QStringLiteral("to"), &fenster);
    setzen(bis, 130, 70, 20, 20);
    auto* bisBox = new QLineEdit(&fenster);
    setzen(bisBox, 155, 68, 50, 24);
    auto* ueber = new Panel3D(QStringLiteral("First time on"), &fenster);
    setzen(ueber, 10, 100, 120, 18);
    auto* datumBox = new QLineEdit(&fenster);
    setzen(datumBox, 10, 120, 120, 24);
    auto* eigen = new QLineEdit(&fenster);
    setzen(eigen, 160, 120, 60, 24);
    eigen->setAccessibleName(QStringLiteral("Password"));
    auto* fern = new QLineEdit(&fenster); // nothing near it
    setzen(fern, 300, 250, 60, 24);
    // Two groups in one place; each box pairs with its own group's caption.
    QWidget* gruppen[2];
    QComboBox* wahl[2];
    for (int i = 0; i < 2; ++i) {
        gruppen[i] = setzen(new QWidget(&fenster), 0, 150, 400, 80);
        auto* l = new QLabel(i == 0 ? QStringLiteral("Each") : QStringLiteral("and each"),
                             gruppen[i]);
        setzen(l, 10, 10, 60, 20);
        wahl[i] = new QComboBox(gruppen[i]);
        setzen(wahl[i], 80, 8, 100, 24);
    }
    gruppen[1]->hide();

    BedienNamenErgaenzen(fenster);
    struct Fall {
        QWidget* box;
        const char* name;
    };
    const Fall faelle[] = {
        {text, "Pinwick - Edit note"}, {vonBox, "From"},   {bisBox, "to"},
        {datumBox, "First time on"},   {eigen, "Password"}, {fern, ""},
        {wahl[0], "Each"},             {wahl[1], "and each"},
    };
    for (const Fall& f : faelle)
        EXPECT_EQ(f.box->accessibleName(), QString::fromUtf8(f.name)) << f.name;

    // A caption changed with the language: the next call renews what was
    // given here and still leaves the window's own names alone.
    bis->setText(QStringLiteral("bis"));
    BedienNamenErgaenzen(fenster);
    EXPECT_EQ(bisBox->accessibleName(), QStringLiteral("bis"));
    EXPECT_EQ(eigen->accessibleName(), QStringLiteral("Password"));
}
