#pragma once
// The bar's pop-up menu: its entries, their captions in the bar's language,
// which of them are offered, and whether they can be chosen. What an entry
// does is the bar's: it binds the entries to its commands.

#include <QtGlobal>
#include <cstdint>

class QAction;
class QMenu;
class QPoint;
class QWidget;

namespace pinwick {

class LeistenMenue {
public:
    // The menu with German captions, a child of `eltern`.
    explicit LeistenMenue(QWidget& eltern);

    // Captions for a language (1 English, 2 German; anything else leaves them).
    void Beschriften(int16_t sprache);
    // Offers the note commands (new note, administration) or hides them with
    // their separators.
    void NotizBefehleZeigen(bool an);
    // The entries for the band's motion: stop or resume (by the state), and
    // scrolling despite the desktop's wish for less motion, offered only
    // while the desktop has that wish.
    void Laufschrift(bool angehalten, bool wenigerBewegung, bool trotzdemScrollen);
    // Enables or disables the menu and every entry.
    void Aktiv(bool an);
    bool IstAktiv() const;
    // Pops the menu up at a point on the screen.
    void Oeffnen(const QPoint& global);

    QMenu* Menue() const { return menue_; }
    QAction* Neu() const { return neu_; }
    QAction* Strich1() const { return strich1_; }
    QAction* Verwaltung() const { return verwaltung_; }
    QAction* Strich3() const { return strich3_; }
    QAction* Einstellungen() const { return einstellungen_; }
    QAction* Feeds() const { return feeds_; }
    QAction* Hilfe() const { return hilfe_; }
    QAction* About() const { return about_; }
    QAction* Strich2() const { return strich2_; }
    QAction* Anhalten() const { return anhalten_; }
    QAction* Strich4() const { return strich4_; }
    QAction* TrotzdemScrollen() const { return trotzdem_; }
    QAction* Ende() const { return ende_; }

private:
    QMenu* menue_ = nullptr;
    QAction* neu_ = nullptr;
    QAction* strich1_ = nullptr;
    QAction* verwaltung_ = nullptr;
    QAction* strich3_ = nullptr;
    QAction* einstellungen_ = nullptr;
    QAction* feeds_ = nullptr;
    QAction* hilfe_ = nullptr;
    QAction* about_ = nullptr;
    QAction* strich2_ = nullptr;
    QAction* ende_ = nullptr;
    QAction* strich4_ = nullptr;
    QAction* anhalten_ = nullptr;
    QAction* trotzdem_ = nullptr;
    int16_t sprache_ = 2;
    bool angehalten_ = false;
};

} // namespace pinwick
