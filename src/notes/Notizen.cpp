#include "Notizen.h"

#include "Hilfen.h"
#include "NotizenAufbau.h"
#include "Panel3D.h"
#include "Shell.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTextCursor>
#include <QTimer>
#include <cstdio>

namespace pinwick {

// ---- the note text box

void NotizFeld::insertFromMimeData(const QMimeData* quelle) {
    if (!quelle || !quelle->hasText())
        return;
    QString text = quelle->text();
    static const QRegularExpression umbruch(QStringLiteral("\r\n|[\r\n\u2028\u2029]"));
    text.replace(umbruch, QStringLiteral(" "));
    insertPlainText(text);
}

// ---- building

Notizen::Notizen(Programm& p, NotizModus modus, QWidget* eltern)
    : QDialog(eltern, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint),
      p_(p), modus_(modus) {
    frage = [this](QMessageBox::Icon symbol, const QString& text,
                   QMessageBox::StandardButtons knoepfe) {
        return SystemfrageZeigen(this, symbol, text, knoepfe);
    };
    piepen = [] { QApplication::beep(); };
    hilfeZeigen = [this] { HilfeZeigen(p_); };

    if (p_.ImmerOben)
        setWindowFlag(Qt::WindowStaysOnTopHint);
    bauen();
    verbinden();

    // Opening, in order: captions, place, the lists, today's defaults, then
    // the note.
    BeschriftungSetzen();
    platzieren();

    heute_ = p_.uhr.Heute();
    p_.heuteText = DatumText(heute_);
    NotizFormular f = NeuesFormular(heute_);
    if (modus_ == NotizModus::Bearbeiten && p_.lokaleNotizen) {
        try {
            zeile_ = p_.lokaleNotizen->Bookmark();
            zeileGueltig_ = true;
            NotizPraesentieren(f, NotizZumBearbeiten(*p_.lokaleNotizen, heute_));
        } catch (const std::exception& fehler) {
            // No current row: the editor shows a new note's values, and a
            // save reports that it cannot write.
            std::fprintf(stderr, "Pinwick3: %s\n", fehler.what());
        }
    }
    FormularZeigen(f);
}

void Notizen::verbinden() {
    // The option events keep the groups in step with the choices.
    connect(zeitArtOpt_[1], &QRadioButton::toggled, this, [this](bool an) {
        if (an)
            rhythmusOpt_[1]->setChecked(true);
        gruppenZeigen();
    });
    for (int i = 1; i <= 4; ++i)
        connect(rhythmusOpt_[size_t(i)], &QRadioButton::toggled, this, [this] { gruppenZeigen(); });
    for (int i = 1; i <= 2; ++i)
        connect(uhrzeit_[size_t(i)], &QLineEdit::textChanged, this, [this] {
            const bool text = !uhrzeit_[1]->text().isEmpty() || !uhrzeit_[2]->text().isEmpty();
            uhrArtOpt_[text ? 2 : 1]->setChecked(true);
        });
    connect(monArtOpt_[1], &QRadioButton::toggled, this, [this](bool an) {
        if (an)
            moPosLeeren();
    });
    for (int i = 1; i <= 5; ++i)
        connect(moPosOpt_[size_t(i)], &QRadioButton::toggled, this, [this](bool an) {
            if (an)
                monArtOpt_[2]->setChecked(true);
        });
    connect(tagZahlMon_, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (!text.isEmpty())
            monArtOpt_[1]->setChecked(true);
    });
    connect(okBef_, &QPushButton::clicked, this, &Notizen::Speichern);
    connect(abbrechenBef_, &QPushButton::clicked, this, &Notizen::Abbrechen);

    // The initial state of the designed form.
    uhrArtOpt_[1]->setChecked(true);
    rhythmusOpt_[1]->setChecked(true);
    monArtOpt_[1]->setChecked(true);
    gruppenZeigen();

    // Every key passes the window first: it clears the message line, F1 and
    // Esc act, and the boxes take only their characters.
    for (QWidget* kind : findChildren<QWidget*>())
        kind->installEventFilter(this);
}

// ---- the values

NotizFormular Notizen::FormularLesen() const {
    NotizFormular f;
    f.notiz = notiz_->toPlainText();
    f.zeitsteuerung = zeitArtOpt_[2]->isChecked();
    f.vonBis = uhrArtOpt_[2]->isChecked();
    f.uhrzeit = {uhrzeit_[1]->text(), uhrzeit_[2]->text()};
    f.zeit = zeit_;
    f.rhythmus = RhythmusTaeglich;
    for (int i = 1; i <= 4; ++i)
        if (rhythmusOpt_[size_t(i)]->isChecked())
            f.rhythmus = i;
    for (int i = 1; i <= 7; ++i)
        f.woTage[size_t(i - 1)] = woTagChe_[size_t(i)]->isChecked();
    f.erstDatumWoc = erstDatumWoc_->text();
    f.dauerWoc = dauerWoc_->text();
    f.monArt = monArtOpt_[2]->isChecked() ? MonatsRegel::Wochentag : MonatsRegel::FesterTag;
    f.tagZahlMon = tagZahlMon_->text();
    f.moPos = 0;
    for (int i = 1; i <= 5; ++i)
        if (moPosOpt_[size_t(i)]->isChecked())
            f.moPos = i;
    f.woTagCom = woTagCom_->currentIndex();
    f.vorherMon = vorherMon_->text();
    f.erstDatumMon = erstDatumMon_->text();
    for (int i = 1; i <= 4; ++i) {
        f.tagZahlJahr[size_t(i - 1)] = tagZahlJahr_[size_t(i)]->text();
        f.monatJah[size_t(i - 1)] = monatJah_[size_t(i)]->currentIndex();
    }
    f.vorherJah = vorherJah_->text();
    f.erstDatumJah = erstDatumJah_->text();
    return f;
}

void Notizen::FormularZeigen(const NotizFormular& f) {
    // Texts first, then the options: the options' events must have the last
    // word (a day typed into the monthly box would otherwise pick its option
    // over a weekday position).
    if (notiz_->toPlainText() != f.notiz)
        notiz_->setPlainText(f.notiz);
    uhrzeit_[1]->setText(f.uhrzeit[0]);
    uhrzeit_[2]->setText(f.uhrzeit[1]);
    zeit_ = f.zeit;
    for (int i = 1; i <= 7; ++i)
        woTagChe_[size_t(i)]->setChecked(f.woTage[size_t(i - 1)]);
    erstDatumWoc_->setText(f.erstDatumWoc);
    dauerWoc_->setText(f.dauerWoc);
    tagZahlMon_->setText(f.tagZahlMon);
    woTagCom_->setCurrentIndex(f.woTagCom >= 0 && f.woTagCom < woTagCom_->count() ? f.woTagCom
                                                                                  : -1);
    vorherMon_->setText(f.vorherMon);
    erstDatumMon_->setText(f.erstDatumMon);
    for (int i = 1; i <= 4; ++i) {
        tagZahlJahr_[size_t(i)]->setText(f.tagZahlJahr[size_t(i - 1)]);
        const int monat = f.monatJah[size_t(i - 1)];
        monatJah_[size_t(i)]->setCurrentIndex(monat >= 0 && monat < 12 ? monat : -1);
    }
    vorherJah_->setText(f.vorherJah);
    erstDatumJah_->setText(f.erstDatumJah);

    uhrArtOpt_[f.vonBis ? 2 : 1]->setChecked(true);
    if (f.monArt == MonatsRegel::Wochentag && f.moPos >= 1 && f.moPos <= 5) {
        moPosOpt_[size_t(f.moPos)]->setChecked(true);
    } else if (f.monArt == MonatsRegel::Wochentag) {
        monArtOpt_[2]->setChecked(true);
        moPosLeeren();
    } else {
        monArtOpt_[1]->setChecked(true);
        moPosLeeren();
    }
    zeitArtOpt_[f.zeitsteuerung ? 2 : 1]->setChecked(true);
    if (f.zeitsteuerung && f.rhythmus >= 1 && f.rhythmus <= 4)
        rhythmusOpt_[size_t(f.rhythmus)]->setChecked(true);
    gruppenZeigen();
}

void Notizen::gruppenZeigen() {
    const bool zeit = zeitArtOpt_[2]->isChecked();
    zeitPan_->setVisible(zeit);
    rhythmusPan_->setVisible(zeit);
    for (int i = 2; i <= 4; ++i)
        rhyArtPan_[size_t(i)]->setVisible(zeit && rhythmusOpt_[size_t(i)]->isChecked());
}

void Notizen::moPosLeeren() {
    moPosGruppe_->setExclusive(false);
    for (int i = 1; i <= 5; ++i)
        moPosOpt_[size_t(i)]->setChecked(false);
    moPosGruppe_->setExclusive(true);
}

// ---- messages and questions

void Notizen::meldung(Meldung m) {
    // Written into this window's own line: right after a question the active
    // window may still be the closing message box.
    MeldungZeigen(this, MeldungsText(m, p_.Sprache), 12);
    if (piepen)
        piepen();
}

void Notizen::meldungLoeschen() {
    MeldungLoeschen(this);
}

bool Notizen::fragen(Frage f) {
    if (FrageMitTon(f) && piepen)
        piepen();
    if (!frage)
        return false;
    const bool ja = frage(QMessageBox::Question, FrageText(f, p_.Sprache),
                          QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
    // Back from the question the window is active again: typing goes into
    // the note text, after its last character, unless a later check of the
    // same save sends the focus to the box at fault. The box left here has
    // been read already and is not normalised on the way out.
    if (!schliesst_) {
        unterdrueckt_ = true;
        notiz_->setFocus(Qt::ActiveWindowFocusReason);
        notiz_->moveCursor(QTextCursor::End);
        unterdrueckt_ = false;
    }
    return ja;
}

void Notizen::fokusZurueck(QWidget* box) {
    if (!box)
        return;
    // After the focus change that is under way has finished; moving the
    // focus back must not normalise the box it leaves, or two wrong boxes
    // would hand the focus to each other for ever.
    QPointer<QWidget> ziel(box);
    QTimer::singleShot(0, this, [this, ziel] {
        if (!ziel || schliesst_)
            return;
        unterdrueckt_ = true;
        ziel->setFocus(Qt::OtherFocusReason);
        unterdrueckt_ = false;
    });
}

QWidget* Notizen::feldWidget(Feld feld) const {
    const int n = int(feld);
    if (n >= int(Feld::TagZahlJahr1) && n < int(Feld::TagZahlJahr1) + 4)
        return tagZahlJahr_[size_t(n - int(Feld::TagZahlJahr1) + 1)];
    if (n >= int(Feld::MonatJah1) && n < int(Feld::MonatJah1) + 4)
        return monatJah_[size_t(n - int(Feld::MonatJah1) + 1)];
    switch (feld) {
    case Feld::Notiz:
        return notiz_;
    case Feld::Uhrzeit1:
        return uhrzeit_[1];
    case Feld::Uhrzeit2:
        return uhrzeit_[2];
    case Feld::ErstDatumWoc:
        return erstDatumWoc_;
    case Feld::DauerWoc:
        return dauerWoc_;
    case Feld::TagZahlMon:
        return tagZahlMon_;
    case Feld::VorherMon:
        return vorherMon_;
    case Feld::ErstDatumMon:
        return erstDatumMon_;
    case Feld::VorherJah:
        return vorherJah_;
    case Feld::ErstDatumJah:
        return erstDatumJah_;
    default:
        return nullptr;
    }
}

// ---- normalising the boxes

void Notizen::UhrzeitBoxPruefen(int i) {
    QLineEdit* box = uhrzeit_[size_t(i)];
    const UhrzeitErgebnis r = UhrzeitPruefen(box->text());
    if (r.art == UhrzeitErgebnis::Ungueltig) {
        meldung(Meldung::ZeitFormat);
        fokusZurueck(box);
        return;
    }
    if (r.art == UhrzeitErgebnis::Leer)
        return;
    box->setText(r.text);
    zeit_[size_t(i - 1)] = r.zeit;
}

void Notizen::DatumBoxPruefen(QLineEdit* box) {
    box->setText(DatumPruefen(box->text(), heute_));
    QString text = box->text();
    if (!DatumGueltig(text, p_.datumZahl, heute_)) {
        meldung(Meldung::DatumFehlerhaft);
        fokusZurueck(box);
    }
}

// ---- commands

void Notizen::Speichern() {
    NotizFormular f = FormularLesen();
    const PruefErgebnis e = SpeichernPruefen(f, heute_, [this](Frage fr) { return fragen(fr); });
    if (e.ok && e.notiz.Rhythmus >= RhythmusWoechentlich)
        p_.datumZahl = e.notiz.StartDatum;
    // Answers may have filled a time box.
    if (f.uhrzeit[0] != uhrzeit_[1]->text() || f.uhrzeit[1] != uhrzeit_[2]->text()) {
        const QSignalBlocker ruhe1(uhrzeit_[1]), ruhe2(uhrzeit_[2]);
        uhrzeit_[1]->setText(f.uhrzeit[0]);
        uhrzeit_[2]->setText(f.uhrzeit[1]);
    }
    zeit_ = f.zeit;
    if (f.tagZahlMon != tagZahlMon_->text()) {
        const QSignalBlocker ruhe(tagZahlMon_);
        tagZahlMon_->setText(f.tagZahlMon);
    }
    if (!e.ok) {
        if (e.meldung)
            meldung(*e.meldung);
        if (QWidget* ziel = feldWidget(e.fokus)) {
            unterdrueckt_ = true;
            ziel->setFocus(Qt::OtherFocusReason);
            unterdrueckt_ = false;
        }
        return;
    }
    if (!NotizSpeichern(e.notiz))
        return;
    schliesst_ = true;
    accept();
}

bool Notizen::NotizSpeichern(const pinwick::Notiz& n) {
    try {
        if (!p_.lokaleNotizen)
            throw DatenFehler("the notes recordset is not open");
        if (modus_ == NotizModus::Bearbeiten && !zeileGueltig_)
            throw DatenFehler("no row to edit");
        pinwick::NotizSpeichern(*p_.lokaleNotizen, modus_, zeile_, n);
        return true;
    } catch (const std::exception& fehler) {
        std::fprintf(stderr, "Pinwick3: note not saved: %s\n", fehler.what());
        meldung(Meldung::NichtGespeichert);
        return false;
    }
}

void Notizen::Abbrechen() {
    schliesst_ = true;
    QDialog::reject();
}

void Notizen::reject() {
    // The close button and Esc end here as well: nothing is written.
    Abbrechen();
}

// ---- events

void Notizen::showEvent(QShowEvent* ereignis) {
    QDialog::showEvent(ereignis);
    if (!ersteAktivierung_)
        return;
    ersteAktivierung_ = false;
    // The text box takes the focus with the cursor after its last character.
    notiz_->setFocus(Qt::ActiveWindowFocusReason);
    notiz_->moveCursor(QTextCursor::End);
}

void Notizen::changeEvent(QEvent* ereignis) {
    QDialog::changeEvent(ereignis);
    // Made active, a topmost window goes to the top of the topmost ones: the
    // bar raises itself when it is clicked and would otherwise cover it.
    if (ereignis->type() == QEvent::ActivationChange && isActiveWindow() && p_.ImmerOben)
        QMetaObject::invokeMethod(this, &QWidget::raise, Qt::QueuedConnection);
}

bool Notizen::eventFilter(QObject* objekt, QEvent* ereignis) {
    switch (ereignis->type()) {
    case QEvent::ShortcutOverride:
        // A key that ends up as a shortcut (Alt+S) never arrives as a key
        // press; it clears the message line all the same.
        meldungLoeschen();
        break;
    case QEvent::KeyPress: {
        auto* taste = static_cast<QKeyEvent*>(ereignis);
        meldungLoeschen();
        const Qt::KeyboardModifiers umschalter =
            taste->modifiers() &
            (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
        if (taste->key() == Qt::Key_F1 && umschalter == Qt::NoModifier) {
            if (hilfeZeigen)
                hilfeZeigen();
            return true;
        }
        if (taste->key() == Qt::Key_Escape) {
            Abbrechen();
            return true;
        }
        if (objekt == notiz_ && (taste->key() == Qt::Key_Return || taste->key() == Qt::Key_Enter))
            return true;
        const auto erlaubt = zeichen_.constFind(objekt);
        if (erlaubt != zeichen_.constEnd()) {
            // Characters only: Backspace, Delete, arrows and shortcuts pass.
            const QString text = taste->text();
            if (!text.isEmpty() && text.front().isPrint() && !erlaubt->contains(text.front()))
                return true;
        }
        break;
    }
    case QEvent::FocusIn:
        if (auto* box = qobject_cast<QLineEdit*>(objekt); box && zeichen_.contains(objekt)) {
            notizen::BoxFarbeSetzen(box, true);
            // After the mouse press that brought the focus has placed the cursor.
            QTimer::singleShot(0, box, [box] {
                if (box->hasFocus())
                    box->selectAll();
            });
        }
        break;
    case QEvent::FocusOut: {
        auto* box = qobject_cast<QLineEdit*>(objekt);
        if (!box || !zeichen_.contains(objekt))
            break;
        notizen::BoxFarbeSetzen(box, false);
        const auto grund = static_cast<QFocusEvent*>(ereignis)->reason();
        // Leaving the window (another program, a menu, the window closing)
        // is not leaving the box.
        if (unterdrueckt_ || schliesst_ || grund == Qt::ActiveWindowFocusReason ||
            grund == Qt::PopupFocusReason)
            break;
        if (box == dauerWoc_ || box == vorherMon_ || box == vorherJah_) {
            if (box->text().isEmpty())
                box->setText(QStringLiteral("0"));
        } else if (box == tagZahlMon_) {
            if (box->text().isEmpty())
                box->setText(QString::number(heute_.day()));
        } else if (box == uhrzeit_[1]) {
            UhrzeitBoxPruefen(1);
        } else if (box == uhrzeit_[2]) {
            UhrzeitBoxPruefen(2);
        } else if (box == erstDatumWoc_ || box == erstDatumMon_ || box == erstDatumJah_) {
            DatumBoxPruefen(box);
        }
        break;
    }
    default:
        break;
    }
    return QDialog::eventFilter(objekt, ereignis);
}

void NotizEditorZeigen(Programm& p, NotizModus modus) {
    Notizen fenster(p, modus);
    fenster.exec();
}

} // namespace pinwick
