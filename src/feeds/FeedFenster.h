#pragma once
// The "News feeds" window, opened from the bar's menu: the feeds of the own
// file with what the fetching knows of each (last fetched, items held, last
// error), and buttons to add a feed, remove one and switch one on or off.
// It writes the own file only; the bar takes the change at its next
// rebuild. The sysop password is asked by the caller, as for the settings.
//
// The controls carry object names (adresseText, liste, hinzufuegenBef,
// entfernenBef, schaltenBef, schliessenBef, meldung); tests find them by those.

#include "Programm.h"

#include <QDialog>
#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace pinwick {

class FeedAbholer;

class FeedFenster : public QDialog {
    Q_OBJECT
public:
    // `abholer` may be nullptr (nothing fetched in this run yet).
    FeedFenster(Programm& p, const FeedAbholer* abholer, QWidget* eltern = nullptr);

    // Reads the feeds anew into the list.
    void Auffrischen();
    // The buttons' work: true when the file changed.
    bool Hinzufuegen();
    bool Entfernen();
    bool Schalten();

private:
    QString text(const char16_t* englisch, const char16_t* deutsch) const;
    void melden(const QString& text);
    qint64 gewaehlt() const;
    // Changes the chosen feed in the own file and shows the list anew; a
    // message when none is chosen or the file refused.
    bool gewaehltAendern(const std::function<bool(qint64)>& aendern);

    Programm& p_;
    const FeedAbholer* abholer_;
    QLineEdit* adresse_ = nullptr;
    QTableWidget* liste_ = nullptr;
    QPushButton* hinzufuegen_ = nullptr;
    QPushButton* entfernen_ = nullptr;
    QPushButton* schalten_ = nullptr;
    QPushButton* schliessen_ = nullptr;
    QLabel* meldung_ = nullptr;
};

// Whether the window may open: always without sysop mode; with it, once
// `passTest` (the settings' password prompt) let the user in.
bool FeedFensterErlaubt(Programm& p, const std::function<void(Programm&)>& passTest);
// Shows the window modally over `eltern`.
void FeedFensterZeigen(Programm& p, const FeedAbholer* abholer, QWidget* eltern);

} // namespace pinwick
