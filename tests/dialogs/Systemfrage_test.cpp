// Questions in the system message box: what a close request answers, for
// each set of buttons, and the box over a window that stays on top.

#include "Systemfrage.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

using namespace pinwick;

namespace {

using Knopf = QMessageBox::StandardButton;

TEST(SystemfrageTest, SchliessenZaehltNieAlsJa) {
    const auto janein = QMessageBox::Yes | QMessageBox::No;
    const auto mitAbbrechen = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    const std::function<void(QMessageBox&)> escape = [](QMessageBox& box) {
        QTest::keyClick(&box, Qt::Key_Escape);
    };
    const std::function<void(QMessageBox&)> schliessen = [](QMessageBox& box) { box.close(); };
    const auto klick = [](Knopf knopf) {
        return std::function<void(QMessageBox&)>(
            [knopf](QMessageBox& box) { box.button(knopf)->click(); });
    };
    const struct {
        const char* name;
        QMessageBox::StandardButtons knoepfe;
        std::function<void(QMessageBox&)> tun;
        bool elternOben;
        Knopf antwort;
    } faelle[] = {
        {"Yes/No, Escape", janein, escape, false, QMessageBox::No},
        {"Yes/No, close box", janein, schliessen, true, QMessageBox::No},
        {"Yes/No, Yes", janein, klick(QMessageBox::Yes), false, QMessageBox::Yes},
        {"Yes/No/Cancel, Escape", mitAbbrechen, escape, true, QMessageBox::Cancel},
        {"Yes/No/Cancel, close box", mitAbbrechen, schliessen, false, QMessageBox::Cancel},
        {"Yes/No/Cancel, No", mitAbbrechen, klick(QMessageBox::No), false, QMessageBox::No},
        {"Yes/No/Cancel, Yes", mitAbbrechen, klick(QMessageBox::Yes), false, QMessageBox::Yes},
        {"OK, Escape", QMessageBox::Ok, escape, false, QMessageBox::Ok},
        {"OK, close box", QMessageBox::Ok, schliessen, false, QMessageBox::Ok},
    };
    for (const auto& f : faelle) {
        SCOPED_TRACE(f.name);
        QWidget eltern;
        eltern.setWindowFlag(Qt::WindowStaysOnTopHint, f.elternOben);
        eltern.show();
        QObject waechter; // the timers of this case end with it
        bool gesehen = false;
        QTimer::singleShot(0, &waechter, [&] {
            QMessageBox* box = nullptr;
            ASSERT_TRUE(QTest::qWaitFor(
                [&] { return (box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())); },
                3000));
            gesehen = true;
            EXPECT_EQ(box->windowTitle(), "Pinwick");
            EXPECT_EQ(box->windowFlags().testFlag(Qt::WindowStaysOnTopHint), f.elternOben);
            f.tun(*box);
        });
        // A box nobody answers is taken away, so a failing case cannot hang.
        QTimer::singleShot(8000, &waechter, [] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
                box->done(0);
        });
        EXPECT_EQ(SystemfrageZeigen(&eltern, QMessageBox::Question, QStringLiteral("Frage?"),
                                    f.knoepfe),
                  f.antwort);
        EXPECT_TRUE(gesehen);
    }
}

} // namespace
