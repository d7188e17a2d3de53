// The message line of a dialog: what the panel paints after MeldungZeigen
// and MeldungLoeschen, on the program's own panel and on a plain label.

#include "Panel3D.h"
#include "Shell.h"

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QTest>
#include <QVBoxLayout>
#include <functional>
#include <gtest/gtest.h>

using namespace pinwick;

namespace {

QColor Grund(QWidget* w) {
    const QImage bild = w->grab().toImage();
    // Near the right end: neither a centred nor a left-aligned text reaches it.
    return bild.pixelColor(bild.width() - 4, bild.height() / 2);
}

// How many pixels of the panel differ from its back colour: the text.
int TextPixel(QWidget* w, const QColor& grund) {
    const QImage bild = w->grab().toImage();
    int n = 0;
    for (int y = 2; y < bild.height() - 2; ++y)
        for (int x = 2; x < bild.width() - 2; ++x)
            n += bild.pixelColor(x, y) != grund;
    return n;
}

} // namespace

TEST(MeldungsZeile, ZeigtTextUndFarbeUndLoeschtSie) {
    const QColor hellrot(255, 0, 0), hellgrau(192, 192, 192);

    QWidget fenster;
    auto* schicht = new QVBoxLayout(&fenster);
    auto* panel = new Panel3D(&fenster);
    panel->setObjectName(QStringLiteral("MeldungPan"));
    panel->setRand(false);
    panel->setFixedSize(300, 20);
    schicht->addWidget(panel);
    fenster.show();
    fenster.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&fenster));

    // Both ways in: the active window, and a window named by its caller.
    const std::function<void(const QString&, int)> zeigen[] = {
        [](const QString& t, int f) { MeldungZeigen(t, f); },
        [&](const QString& t, int f) { MeldungZeigen(&fenster, t, f); },
    };
    const std::function<void()> loeschen[] = {[] { MeldungLoeschen(); },
                                              [&] { MeldungLoeschen(&fenster); }};
    for (int weg = 0; weg < 2; ++weg) {
        zeigen[weg](QStringLiteral("Note text missing."), 12);
        EXPECT_EQ(panel->text(), QStringLiteral("Note text missing.")) << weg;
        EXPECT_EQ(Grund(panel), hellrot) << weg;
        EXPECT_GT(TextPixel(panel, hellrot), 20) << "the text is painted, way " << weg;

        loeschen[weg]();
        EXPECT_TRUE(panel->text().isEmpty()) << weg;
        EXPECT_EQ(Grund(panel), hellgrau) << weg;
        EXPECT_EQ(TextPixel(panel, hellgrau), 0) << weg;
    }

    // A label as message line gets its text and a filled background too.
    auto* label = new QLabel(&fenster);
    panel->setObjectName(QString());
    label->setObjectName(QStringLiteral("MeldungPan"));
    label->setFixedSize(300, 20);
    schicht->addWidget(label);
    label->show();
    MeldungZeigen(&fenster, QStringLiteral("Invalid date."), 12);
    EXPECT_EQ(label->text(), QStringLiteral("Invalid date."));
    EXPECT_EQ(Grund(label), hellrot);

    // A window without a message line, and no window: nothing happens.
    QWidget ohne;
    MeldungZeigen(&ohne, QStringLiteral("x"), 12);
    MeldungZeigen(nullptr, QStringLiteral("x"), 12);
}
