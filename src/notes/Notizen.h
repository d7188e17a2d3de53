#pragma once
// The note editor: the text of a note and its schedule, opened modally for a
// new note (the bar's command) or on the row on which lokaleNotizen stands
// (the administration). Saving checks the entries in a fixed order, asks
// where something is missing, and writes the row through lokaleNotizen, so
// that the bar shows the change at its next rebuild.
//
// The rules live in NotizEingabe; this class builds the controls, keeps the
// option groups consistent, normalises the boxes when they are left and shows
// messages and questions.

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

    NotizModus Modus() const { return modus_; }
    QDate Heute() const { return heute_; }
    // The working start and end of the time window (fractions of a day).
    double ArbeitsZeit(int i) const { return zeit_[size_t(i - 1)]; }

    // ---- the controls, by their names
    Panel3D* MeldungPan() const { return meldungPan_; }
    NotizFeld* Notiz() const { return notiz_; }
    Panel3D* ZeitArtPan() const { return zeitArtPan_; }
    QRadioButton* ZeitArtOpt(int i) const { return zeitArtOpt_[size_t(i)]; }
    Panel3D* ZeitPan() const { return zeitPan_; }
    QRadioButton* UhrArtOpt(int i) const { return uhrArtOpt_[size_t(i)]; }
    QLineEdit* Uhrzeit(int i) const { return uhrzeit_[size_t(i - 1)]; }
    Panel3D* RhythmusPan() const { return rhythmusPan_; }
    QRadioButton* RhythmusOpt(int i) const { return rhythmusOpt_[size_t(i)]; }
    Panel3D* RhyArtPan(int i) const { return rhyArtPan_[size_t(i)]; }
    QCheckBox* WoTagChe(int i) const { return woTagChe_[size_t(i)]; }
    QLineEdit* ErstDatumWoc() const { return erstDatumWoc_; }
    QLineEdit* DauerWoc() const { return dauerWoc_; }
    QRadioButton* MonArtOpt(int i) const { return monArtOpt_[size_t(i)]; }
    QLineEdit* TagZahlMon() const { return tagZahlMon_; }
    QRadioButton* MoPosOpt(int i) const { return moPosOpt_[size_t(i)]; }
    QComboBox* WoTagCom() const { return woTagCom_; }
    QLineEdit* VorherMon() const { return vorherMon_; }
    QLineEdit* ErstDatumMon() const { return erstDatumMon_; }
    QLineEdit* TagZahlJahr(int i) const { return tagZahlJahr_[size_t(i)]; }
    QComboBox* MonatJah(int i) const { return monatJah_[size_t(i)]; }
    QLineEdit* VorherJah() const { return vorherJah_; }
    QLineEdit* ErstDatumJah() const { return erstDatumJah_; }
    QPushButton* OkBef() const { return okBef_; }
    QPushButton* AbbrechenBef() const { return abbrechenBef_; }

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

    Panel3D* meldungPan_ = nullptr;
    Panel3D* notizPan_ = nullptr;
    NotizFeld* notiz_ = nullptr;
    Panel3D* zeitArtPan_ = nullptr;
    std::array<QRadioButton*, 2> zeitArtOpt_{};
    Panel3D* zeitPan_ = nullptr;
    std::array<QRadioButton*, 2> uhrArtOpt_{};
    std::array<QLineEdit*, 2> uhrzeit_{};
    Panel3D* rhythmusPan_ = nullptr;
    std::array<QRadioButton*, 5> rhythmusOpt_{};
    std::array<Panel3D*, 5> rhyArtPan_{};
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
    std::array<Panel3D*, 27> zzzPanel_{};
    QPushButton* okBef_ = nullptr;
    QPushButton* abbrechenBef_ = nullptr;
};

// Shows the editor modally and waits until it is closed.
void NotizEditorZeigen(Programm& p, NotizModus modus);

} // namespace pinwick
