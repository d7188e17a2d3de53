// The reserved screen edge a docked bar asks the window manager for.

#include "Randreservierung.h"

#include <gtest/gtest.h>

using namespace pinwick;

TEST(Randreservierung, StreifenJeKanteUndLage) {
    using W = std::array<uint32_t, 12>;
    struct Fall {
        const char* name;
        QRect leiste;
        QSize wurzel;
        bool unten;
        W erwartet;
    };
    const Fall faelle[] = {
        {"top", {0, 0, 1280, 32}, {1280, 800}, false, W{0, 0, 32, 0, 0, 0, 0, 0, 0, 1279, 0, 0}},
        {"bottom",
         {0, 768, 1280, 32},
         {1280, 800},
         true,
         W{0, 0, 0, 32, 0, 0, 0, 0, 0, 0, 0, 1279}},
        // Twice the pixels on a dense screen: the caller hands device pixels.
        {"top, ratio 2",
         {0, 0, 2560, 64},
         {2560, 1600},
         false,
         W{0, 0, 64, 0, 0, 0, 0, 0, 0, 2559, 0, 0}},
        // The primary screen right of another one, on a taller X screen: the
        // bottom edge is counted from the X screen's bottom.
        {"second screen, bottom",
         {1920, 1048, 1280, 32},
         {3200, 1200},
         true,
         W{0, 0, 0, 152, 0, 0, 0, 0, 0, 0, 1920, 3199}},
        {"no bar yet", {}, {1280, 800}, false, W{}},
    };
    for (const Fall& f : faelle)
        EXPECT_EQ(StrutPartial(f.leiste, f.wurzel, f.unten), f.erwartet) << f.name;
}
