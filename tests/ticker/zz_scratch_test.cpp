#include "Band.h"
#include "Terminal.h"
#include "TestHilfe.h"
#include <QImage>
#include <gtest/gtest.h>
using namespace pinwick;
TEST(Scratch, Bild) {
    test::TestUmgebung u;
    Programm& p = u.p;
    p.Sprache = 1; p.SchriftName = "DejaVu Sans"; p.SchriftGroesse = 10; p.SchriftFett = true;
    p.zeigDatum = true; p.zeigRahmen = true; p.eigeneErlauben = true; p.Speed = 30;
    p.fensterHgFarbe = 0xFF8080; p.uhrHgFarbe = 0xFFE0E0; p.notizHgFarbe = 0x6F6F6F; p.SchriftFarbe = 0xFFFFFF; p.SchriftFarbe2 = 0x00FFFF;
    for (int i = 1; i <= 6; ++i) { test::NotizZeile z; z.inhalt = QString("Notiz Nummer %1 mit etwas Text").arg(i); test::NotizEinfuegen(*p.lokaleNotizen, z); }
    Terminal t(p); t.Timer1Aktiv(false); t.show();
    for (int i = 0; i < 40; ++i) t.Tick();
    QCoreApplication::processEvents();
    t.grab().toImage().save("/tmp/leiste1.png");
    for (int i = 0; i < 40; ++i) t.Tick();
    QCoreApplication::processEvents();
    t.grab().toImage().save("/tmp/leiste2.png");
    p.zeigRahmen = false; p.SchriftGroesse = 14; p.Sprache = 2; t.MachLayout();
    for (int i = 0; i < 3; ++i) t.Tick();
    t.grab().toImage().save("/tmp/leiste3.png");
}
