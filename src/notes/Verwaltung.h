#pragma once
// The notes administration: every note of the local notes table in a list,
// several of them selectable; the first selected one opens in the note
// editor, the selected ones are deleted after a question. Everything goes
// through p.lokaleNotizen, the recordset the bar reads, so the bar shows the
// changes at the rebuild that follows the window.

#include "Programm.h"
#include "Systemfrage.h"

#include <QDialog>
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>

class QListWidget;
class QListWidgetItem;
class QPushButton;

namespace pinwick {

// ---- the list items, without a window

// Cuts the text from its end until breite says it is no wider than grenze;
// a cut text ends in "...". Widths in any unit, as long as both agree.
// A character made of two UTF-16 units is cut whole.
QString TextEinpassen(const QString& text, int grenze,
                      const std::function<int(const QString&)>& breite);
// The text of a list item: the fitted text, the ID spacer, the ID.
QString EintragText(const QString& eingepasst, const QString& idAbstand, int32_t id);
// The ID of a list item: the text after its last TAB; empty when that is no
// whole number.
std::optional<int32_t> IdAusEintrag(const QString& eintrag);

// ---- the window

class Verwaltung : public QDialog {
    Q_OBJECT
public:
    // The opening: place, captions, the list.
    explicit Verwaltung(Programm& p, QWidget* eltern = nullptr);

    void BeschriftungSetzen();
    // Rebuilds the list from p.lokaleNotizen.
    void ListeFuellen();
    bool AuswahlVorhanden() const;
    // Keeps the first selected item selected and makes it the current one.
    void NurErsteAuswahl();

    // BearbeitenBef: the editor on the first selected note.
    void Bearbeiten();
    // LoeschenBef: deletes the selected notes after the question.
    void Loeschen();

    // The controls are found by their object names: "Liste",
    // "BearbeitenBef", "LoeschenBef", "EndeBef".

    // ---- seams: tests answer the message boxes, stand in for the editor
    // (which finds p.lokaleNotizen on the note) and count help pages.
    Systemfrage frage;
    std::function<void()> editorZeigen;
    std::function<void()> hilfeZeigen;

protected:
    bool eventFilter(QObject* objekt, QEvent* ereignis) override;
    void changeEvent(QEvent* ereignis) override;

private:
    void knoepfeSetzen();
    void nachFehlerNeuLesen();

    Programm& p_;
    QListWidget* liste_ = nullptr;
    QPushButton* bearbeitenBef_ = nullptr;
    QPushButton* loeschenBef_ = nullptr;
    QPushButton* endeBef_ = nullptr;
};

// Shows the administration modally and waits until it is closed.
void VerwaltungZeigen(Programm& p);

} // namespace pinwick
