#pragma once
// The note editor: the text of a note and its schedule, opened modally for a
// new note (the bar's command) or on the row on which lokaleNotizen stands
// (the administration). Saving checks the entries in a fixed order, asks
// where something is missing, and writes the row through lokaleNotizen, so
// that the bar shows the change at its next rebuild.
//
// The rules live in NotizRegeln and NotizEingabe; the layout, a table of
// named controls, in NotizenAufbau.cpp. This class keeps the option groups
// consistent, normalises the boxes when they are left and shows messages and
// questions.

#include "NotizEingabe.h"
#include "Programm.h"
#include "Systemfrage.h"

#include <QDate>
#include <QDialog>
#include <QHash>
#include <QPlainTextEdit>
#include <array>
#include <functional>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace pinwick {

class Panel3D;

// The note text box: several lines high, but a note is one line, so line
// breaks that arrive by pasting or dropping become blanks.
class NotizFeld : public QPlainTextEdit {
    Q_OBJECT
public:
    using QPlainTextEdit::QPlainTextEdit;

protected:
    void insertFromMimeData(const QMimeData* quelle) override;
};

class Notizen : public QDialog {
    Q_OBJECT
public:
    // Builds the window in its initial state and runs the opening: captions,
    // place, the lists, today's defaults, and in Bearbeiten the note of the
    // row on which p.lokaleNotizen stands.
    Notizen(Programm& p, NotizModus modus, QWidget* eltern = nullptr);

    // Sets the title, every caption, the lists' items and the option widths
    // from Sprache (1 English, 2 German; any other value keeps the German).
    void BeschriftungSetzen();

    // The save command (OkBef): checks, asks, writes, closes. Stays open
    // when a check fails, a question is answered No or the store fails.
    void Speichern();
    // Writes the checked note through p.lokaleNotizen. False, with a message
    // in the message line, when the store failed; the row is then unchanged.
    bool NotizSpeichern(const pinwick::Notiz& n);
    // Cancel (AbbrechenBef, Esc, the window's close button): nothing is written.
    void Abbrechen();

    // The time box i (1 or 2) and the first-date boxes are normalised when
    // they lose the focus; these are those steps.
    void UhrzeitBoxPruefen(int i);
    void DatumBoxPruefen(QLineEdit* box);

    // The controls' values, and the values put back into the controls.
    NotizFormular FormularLesen() const;
    void FormularZeigen(const NotizFormular& f);

    // The controls are found by their object names, which are the names
    // used here: "Notiz", "Uhrzeit1", "RhythmusOpt3", "MeldungPan", ...
    // Indexed controls count from 1; the detail panels and the rhythm
    // options carry the number of their rhythm (RhyArtPan2 weekly).

    // ---- seams: tests answer questions and count beeps and help pages
    Systemfrage frage;
    std::function<void()> piepen;
    std::function<void()> hilfeZeigen;

protected:
    bool eventFilter(QObject* objekt, QEvent* ereignis) override;
    void changeEvent(QEvent* ereignis) override;
    void showEvent(QShowEvent* ereignis) override;
    void reject() override;

private:
    void bauen();
    void steuerelementeFinden();
    void verbinden();
    void beschriften(bool englisch);
    void platzieren();
    void listenFuellen();
    void gruppenZeigen();
    void moPosLeeren();
    void meldung(Meldung m);
    void meldungLoeschen();
    void fokusZurueck(QWidget* box);
    QWidget* feldWidget(Feld feld) const;
    bool fragen(Frage f);

    Programm& p_;
    NotizModus modus_;
    QDate heute_;
    std::array<double, 2> zeit_{0.0, 0.0};
    Datensatzmenge::Lesezeichen zeile_ = 0;
    bool zeileGueltig_ = false;
    bool unterdrueckt_ = false; // focus moved back after a message: no normalising
    bool schliesst_ = false;
    bool ersteAktivierung_ = true;
    // The characters each box accepts from the keyboard.
    QHash<QObject*, QString> zeichen_;

    // The controls, indexed from 1 as they are named (slot 0 unused).
    Panel3D* meldungPan_ = nullptr;
    NotizFeld* notiz_ = nullptr;
    std::array<QRadioButton*, 3> zeitArtOpt_{}; // 1 permanent, 2 with a schedule
    Panel3D* zeitPan_ = nullptr;
    std::array<QRadioButton*, 3> uhrArtOpt_{}; // 1 whole day, 2 from ... to
    std::array<QLineEdit*, 3> uhrzeit_{};
    Panel3D* rhythmusPan_ = nullptr;
    std::array<QRadioButton*, 5> rhythmusOpt_{}; // by rhythm, 1 to 4
    std::array<Panel3D*, 5> rhyArtPan_{};        // by rhythm, 2 to 4
    std::array<QCheckBox*, 8> woTagChe_{};
    QLineEdit* erstDatumWoc_ = nullptr;
    QLineEdit* dauerWoc_ = nullptr;
    std::array<QRadioButton*, 3> monArtOpt_{};
    QLineEdit* tagZahlMon_ = nullptr;
    std::array<QRadioButton*, 6> moPosOpt_{};
    QButtonGroup* monArtGruppe_ = nullptr;
    QButtonGroup* moPosGruppe_ = nullptr;
    QComboBox* woTagCom_ = nullptr;
    QLineEdit* vorherMon_ = nullptr;
    QLineEdit* erstDatumMon_ = nullptr;
    std::array<QLineEdit*, 5> tagZahlJahr_{};
    std::array<QComboBox*, 5> monatJah_{};
    QLineEdit* vorherJah_ = nullptr;
    QLineEdit* erstDatumJah_ = nullptr;
    QPushButton* okBef_ = nullptr;
    QPushButton* abbrechenBef_ = nullptr;
};

// Shows the editor modally and waits until it is closed.
void NotizEditorZeigen(Programm& p, NotizModus modus);

} // namespace pinwick
