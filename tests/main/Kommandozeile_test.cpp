// The ticker's command line: what it answers without starting, what it
// refuses, and what it hands to the bar.

#include "Kommandozeile.h"
#include "TestHilfe.h"

#include <gtest/gtest.h>

using namespace pinwick;

TEST(Kommandozeile, EachArgumentListGivesItsAnswer) {
    using A = Aufruf::Art;
    struct Fall {
        QStringList argumente;
        bool qtSchonEntfernt;
        A art;
        bool neueNotiz;
        const char* textEnthaelt;
    };
    const Fall faelle[] = {
        {{"/usr/lib/pinwick/Pinwick3"}, true, A::Starten, false, ""},
        {{"Pinwick3", "--new-note"}, true, A::Starten, true, ""},
        {{"Pinwick3", "--version"}, true, A::Version, false, "Pinwick 3.01\n"},
        {{"Pinwick3", "-v"}, true, A::Version, false, "Pinwick 3.01\n"},
        {{"Pinwick3", "--help"}, true, A::Hilfe, false, "--new-note"},
        {{"/x/Pinwick3", "-h"}, true, A::Hilfe, false, "Usage: Pinwick3 [options]"},
        // Before Qt has taken its own options, those must not stop the start
        // nor hide --help and --version behind them.
        {{"Pinwick3", "-platform", "offscreen"}, false, A::Starten, false, ""},
        {{"Pinwick3", "-platform", "offscreen", "--version"}, false, A::Version, false, "3.01"},
        {{"Pinwick3", "--bogus", "--help"}, false, A::Hilfe, false, "--version"},
        // Afterwards anything left over is a mistake worth a message.
        {{"Pinwick3", "--bogus"}, true, A::Fehler, false, "bogus"},
        {{"Pinwick3", "notes.txt"}, true, A::Fehler, false, "notes.txt"},
    };
    for (const Fall& f : faelle) {
        const Aufruf a = KommandozeileLesen(f.argumente, 301, f.qtSchonEntfernt);
        const QString name = f.argumente.join(' ');
        EXPECT_EQ(a.art, f.art) << name.toStdString();
        EXPECT_EQ(a.neueNotiz, f.neueNotiz) << name.toStdString();
        EXPECT_TRUE(a.text.contains(QString::fromUtf8(f.textEnthaelt)))
            << name.toStdString() << ": " << a.text.toStdString();
    }
    EXPECT_EQ(VersionsZeile(302), QStringLiteral("Pinwick 3.02"));
}

TEST(Kommandozeile, StopCommandsOneAtATime) {
    using L = Aufruf::Laufschrift;
    using A = Aufruf::Art;
    struct Fall {
        QStringList argumente;
        A art;
        L laufschrift;
        const char* textEnthaelt;
    };
    const Fall faelle[] = {
        {{"Pinwick3"}, A::Starten, L::Unveraendert, ""},
        {{"Pinwick3", "--pause"}, A::Starten, L::Anhalten, ""},
        {{"Pinwick3", "--resume"}, A::Starten, L::Fortsetzen, ""},
        {{"Pinwick3", "--toggle-pause"}, A::Starten, L::Umschalten, ""},
        {{"Pinwick3", "--help"}, A::Hilfe, L::Unveraendert, "--toggle-pause"},
        // The running bar takes one command from a start.
        {{"Pinwick3", "--pause", "--resume"}, A::Fehler, L::Unveraendert, "one at a time"},
        {{"Pinwick3", "--new-note", "--pause"}, A::Fehler, L::Unveraendert, "one at a time"},
        {{"Pinwick3", "--pause", "--bogus"}, A::Fehler, L::Unveraendert, "bogus"},
    };
    for (const Fall& f : faelle) {
        const Aufruf a = KommandozeileLesen(f.argumente, 301, true);
        const std::string name = f.argumente.join(' ').toStdString();
        EXPECT_EQ(a.art, f.art) << name;
        EXPECT_EQ(a.laufschrift, f.laufschrift) << name;
        EXPECT_TRUE(a.text.contains(QString::fromUtf8(f.textEnthaelt))) << name;
    }
}
