// The bar's pop-up menu on its own: captions per language, the note
// commands offered or not, and switching the whole menu off and on.

#include "LeistenMenue.h"
#include "TestHilfe.h"

#include <QAction>
#include <QMenu>
#include <QWidget>
#include <gtest/gtest.h>

using namespace pinwick;

namespace {

QStringList beschriftungen(const LeistenMenue& m) {
    QStringList texte;
    for (QAction* a :
         {m.Neu(), m.Verwaltung(), m.Einstellungen(), m.Feeds(), m.Hilfe(), m.About(), m.Ende()})
        texte << a->text();
    return texte;
}

TEST(LeistenMenue, CaptionsPerLanguage) {
    const QStringList entwurf = {
        "Neue Notiz", "Notizverwaltung", "Einstellungen", "Nachrichtenfeeds",
        "Hilfe",      "\u00DCber ...",   "Ende"};
    const QStringList englisch = {"New note   Ctrl-N",
                                  "Notes administration",
                                  "Settings",
                                  "News feeds",
                                  "Help  F1",
                                  "About ...",
                                  "End"};
    const QStringList deutsch = {
        "Neue Notiz   Strg-N", "Notizverwaltung", "Einstellungen", "Nachrichtenfeeds",
        "Hilfe  F1",           "\u00DCber ...",   "Beenden"};
    struct Fall {
        const char* was;
        std::vector<int16_t> sprachen; // given one after the other
        QStringList erwartet;
    };
    const Fall faelle[] = {
        {"design captions", {}, entwurf},
        {"English", {1}, englisch},
        {"German", {2}, deutsch},
        {"German after English", {1, 2}, deutsch},
        // Another value keeps what the entries have.
        {"unknown value first", {0}, entwurf},
        {"unknown value after German", {2, 0}, deutsch},
        {"unknown value after English", {1, 3}, englisch},
    };
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.was);
        QWidget eltern;
        LeistenMenue m(eltern);
        for (int16_t s : f.sprachen)
            m.Beschriften(s);
        EXPECT_EQ(beschriftungen(m), f.erwartet);
        EXPECT_EQ(m.Menue()->parent(), &eltern);
    }
}

TEST(LeistenMenue, NoteCommandsAndSwitchingOff) {
    QWidget eltern;
    LeistenMenue m(eltern);
    const QList<QAction*> notiz = {m.Neu(), m.Strich1(), m.Verwaltung(), m.Strich3()};
    const QList<QAction*> immer = {m.Anhalten(), m.Strich4(), m.Einstellungen(), m.Feeds(),
                                   m.Hilfe(),    m.About(),   m.Strich2(),       m.Ende()};
    // The offer to scroll anyway shows only where the desktop asks for less motion.
    ASSERT_EQ(m.Menue()->actions().size(), notiz.size() + immer.size() + 1);
    EXPECT_FALSE(m.TrotzdemScrollen()->isVisible());

    struct Schritt {
        bool notizBefehle;
        bool aktiv;
    };
    for (const Schritt s :
         {Schritt{false, true}, Schritt{true, false}, Schritt{false, false}, Schritt{true, true}}) {
        SCOPED_TRACE(testing::Message() << s.notizBefehle << " " << s.aktiv);
        m.NotizBefehleZeigen(s.notizBefehle);
        m.Aktiv(s.aktiv);
        EXPECT_EQ(m.IstAktiv(), s.aktiv);
        for (QAction* a : notiz)
            EXPECT_EQ(a->isVisible(), s.notizBefehle);
        for (QAction* a : immer)
            EXPECT_TRUE(a->isVisible());
        // A hidden entry counts as disabled as well.
        for (QAction* a : m.Menue()->actions())
            EXPECT_EQ(a->isEnabled(), s.aktiv && a->isVisible());
    }
}

} // namespace
