// The tables of places and captions against the windows built from them:
// a name the window does not have, a control in the wrong group or at
// another place, or a control no table accounts for.

#include "Bedienteil.h"
#include "Einstellungen.h"
#include "EinstellungenLayout.h"
#include "Masse.h"
#include "EinstellungenTexte.h"
#include "EinstellungsSatz.h"
#include "PassTest.h"
#include "TestHilfe.h"

#include <QAbstractButton>
#include <QRegularExpression>
#include <QSet>
#include <gtest/gtest.h>
#include <memory>
#include <string_view>

using namespace pinwick;
using pinwick::test::TestUmgebung;

namespace {

// Controls the rules place instead of the table: the miniature's panels
// follow the settings, the help pop-ups their text.
const QRegularExpression NachRegeln(QStringLiteral(
    "^(FarbePan[1-4]|KommentarPan[12]|KommentarTextPan[12]|AbbrechenPan[12]|KommentarChe[12])$"));

template <std::size_t N>
void TabelleGegenFenster(const QWidget& fenster, const Platz (&tabelle)[N]) {
    QSet<QString> namen;
    for (const Platz& platz : tabelle) {
        const QString name = QString::fromUtf8(platz.name);
        SCOPED_TRACE(name.toStdString());
        EXPECT_FALSE(namen.contains(name)) << "twice in the table";
        namen.insert(name);
        const auto treffer = fenster.findChildren<QWidget*>(name);
        ASSERT_EQ(treffer.size(), 1) << "one control of that name";
        const QWidget* element = treffer.first();
        const QWidget* gruppe = element->parentWidget();
        if (*platz.gruppe)
            EXPECT_EQ(gruppe->objectName(), QString::fromUtf8(platz.gruppe));
        else
            EXPECT_EQ(gruppe, &fenster);
        EXPECT_EQ(element->geometry(), PxLage(platz.twips));
    }
    // Every control of the window is named, and placed by the table or by its rules.
    for (const QWidget* element : fenster.findChildren<QWidget*>()) {
        const QString name = element->objectName();
        EXPECT_FALSE(name.isEmpty()) << element->metaObject()->className() << " without a name";
        EXPECT_TRUE(namen.contains(name) || NachRegeln.match(name).hasMatch()) << name.toStdString();
    }
}

TEST(EinstellungenLayoutTest, TabellenStimmenMitDenFensternUeberein) {
    TestUmgebung u;
    EinstellungenLaden(u.p);
    u.p.tonAn = false;
    {
        SCOPED_TRACE("settings window");
        auto fenster = std::make_unique<Einstellungen>(u.p, nullptr);
        fenster->setAttribute(Qt::WA_DeleteOnClose, false);
        TabelleGegenFenster(*fenster, EinstellungenPlaetze);
        u.p.ungespeichert = false;
    }
    {
        SCOPED_TRACE("password prompt");
        PassTest prompt(u.p);
        TabelleGegenFenster(prompt, PassTestPlaetze);
    }
}

TEST(EinstellungenLayoutTest, PlatzVonFindetNurEingetrageneNamen) {
    const struct {
        std::string_view name;
        QRect twips;
    } faelle[] = {
        {"MiniaturRahmen", {120, 120, 7950, 1470}},
        {"SpeichernBef", {6180, 8130, 1890, 390}},
        {"speichernBef", {}}, // names are case-sensitive
        {"SpeichernBef ", {}},
        {"", {}},
    };
    for (const auto& f : faelle) {
        SCOPED_TRACE(std::string(f.name));
        EXPECT_EQ(PlatzVon(EinstellungenPlaetze, f.name).twips, f.twips);
    }
    // Edge by edge: two fields that meet in twips meet in pixels.
    EXPECT_EQ(PxLage({120, 8130, 2700, 390}), QRect(8, 542, 180, 26));
    const QRect links = PxLage({4170, 8130, 1890, 390}), rechts = PxLage({6060, 8130, 120, 390});
    EXPECT_EQ(links.right() + 1, rechts.left());
}

// Every caption reaches its control in both languages, and every control
// that shows a fixed text has one.
TEST(EinstellungenLayoutTest, JedeBeschriftungTrifftIhrSteuerelement) {
    // Controls whose text comes from the settings, the selected element or
    // the help pop-up's rules, or that show none.
    const QRegularExpression ohneTabelle(QStringLiteral(
        "^(MiniaturRahmen|FarbePan1|FarbWahlBef[1-3]|zzzPanel[0-2]|MeldungPan|BroadcastPfadPan|"
        "AugePan|PasswortTex|KommentarPan[12]|KommentarTextPan[12]|KommentarChe[12])$"));
    for (int16_t sprache : {1, 2}) {
        SCOPED_TRACE(sprache);
        TestUmgebung u;
        EinstellungenLaden(u.p);
        u.p.Sprache = sprache;
        u.p.tonAn = false;
        auto fenster = std::make_unique<Einstellungen>(u.p, nullptr);
        fenster->setAttribute(Qt::WA_DeleteOnClose, false);
        QSet<QString> beschriftet;
        for (const Beschriftung& b : EinstellungenBeschriftungen) {
            const QString name = QString::fromUtf8(b.name);
            SCOPED_TRACE(name.toStdString());
            beschriftet.insert(name);
            const QWidget* element = name == fenster->objectName()
                                         ? fenster.get()
                                         : fenster->findChild<QWidget*>(name);
            ASSERT_NE(element, nullptr);
            if (!b.text.leer()) {
                const QString text = element == fenster.get() ? element->windowTitle()
                                                              : element->property("text").toString();
                EXPECT_EQ(text, b.text.in(sprache));
            }
            if (!b.tipp.leer()) {
                EXPECT_EQ(element->toolTip(), b.tipp.in(sprache));
            }
        }
        for (const QWidget* element : fenster->findChildren<QWidget*>()) {
            const QString name = element->objectName();
            if (!ohneTabelle.match(name).hasMatch()) {
                EXPECT_TRUE(beschriftet.contains(name)) << name.toStdString() << " has no caption";
            }
        }
        u.p.ungespeichert = false;
    }
}

} // namespace
