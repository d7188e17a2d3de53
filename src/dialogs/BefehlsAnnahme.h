#pragma once
// What the running bar does with the commands later starts hand over
// (Einzelinstanz): it carries them out when nothing stands in their way, or
// brings forward the window that does and carries them out once that window
// has closed. The later start hears back once the command has been carried
// out or queued, or why it will not be.

#include "Einzelinstanz.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPair>
#include <QTimer>
#include <functional>

class QWidget;

namespace pinwick {

class BefehlsAnnahme : public QObject {
    Q_OBJECT
public:
    explicit BefehlsAnnahme(QObject* eltern = nullptr);
    ~BefehlsAnnahme() override;

    // ---- what the bar plugs in
    // The bar stands and nothing of its own is open (its timer runs).
    std::function<bool()> bereit;
    // The window in the way of a new one: a modal window, or the settings
    // window, which holds the bar while it is open. Null when there is none.
    std::function<QWidget*()> imWeg;
    // That window is the note editor for a new note: what was asked for.
    std::function<bool(QWidget*)> istNeueNotiz;
    // Own notes are allowed (not a receiver that forbids them).
    std::function<bool()> eigeneErlaubt;
    // Brings the bar itself forward.
    std::function<void()> leisteZeigen;
    // Opens the note editor for a new note; returns when it has closed.
    std::function<void()> editorOeffnen;
    // Stops the band, lets it scroll again, or toggles (the command's word).
    std::function<void(const QByteArray&)> laufschrift;

    // Einzelinstanz::empfangen hands every command here.
    void Annehmen(const QByteArray& wort, const QByteArray& argument, Rueckmeldung antwort);
    // The bar stands: what came before is carried out now, in order.
    void LeisteSteht();
    // The program's own command line asked for a new note.
    void NeueNotizVormerken();
    // A new note waits for the window in its way to close.
    bool NeueNotizWartet() const { return neueNotizWartet_; }

    // Why a new note is refused while own notes are not allowed.
    static QString EigeneNichtErlaubt();

private:
    void ausfuehren(const QByteArray& wort, Rueckmeldung antwort);
    void neueNotiz(Rueckmeldung antwort);
    void nachholen();

    bool leisteSteht_ = false;
    QList<QPair<QByteArray, Rueckmeldung>> vorDerLeiste_;
    bool neueNotizWartet_ = false;
    // Looks four times a second whether the way is free, while something waits.
    QTimer nachholen_;
};

} // namespace pinwick
