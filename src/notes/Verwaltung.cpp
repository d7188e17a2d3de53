#include "Verwaltung.h"
#include "Sprachwahl.h"
#include "Protokoll.h"
#include "Oberflaeche.h"

#include "Hilfen.h"
#include "Masse.h"
#include "Notizen.h"
#include "Shell.h"

#include <QApplication>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QListWidget>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <cstdio>

namespace pinwick {

namespace {

constexpr int BreiteTwips = 6600;
constexpr int ListeHoehe = 3000;
constexpr int KnopfBreite = 3300;
constexpr int KnopfHoehe = 375;
constexpr int Rand = 120;
constexpr int HoeheTwips = Rand + ListeHoehe + 3 * (KnopfHoehe + 60) + Rand;

const QString Tab = QStringLiteral("\t");
const QString Auslassung = QStringLiteral("...");

// The part of an item the user sees: the text before the ID spacer. The
// spacer is meant to push the ID out of sight; a list that draws tabs as
// tab stops would otherwise cut the item with an ellipsis of its own.
class EintragDelegat : public QStyledItemDelegate {
public:
    EintragDelegat(const QString& idAbstand, QObject* eltern)
        : QStyledItemDelegate(eltern), idAbstand_(idAbstand) {}

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        const int rest = RestAbLetztem(option->text, idAbstand_);
        if (rest > 0)
            option->text.chop(rest);
    }

private:
    QString idAbstand_;
};

} // namespace

// ---- the list items

QString TextEinpassen(const QString& text, int grenze,
                      const std::function<int(const QString&)>& breite) {
    if (text.isEmpty() || breite(text) <= grenze)
        return text;
    // The longest front part that fits, found by halving; widths grow with
    // the text, and a long note would otherwise be measured once per
    // character.
    qsizetype passt = 0, zuLang = text.size();
    while (zuLang - passt > 1) {
        const qsizetype mitte = passt + (zuLang - passt) / 2;
        if (breite(text.left(mitte)) <= grenze)
            passt = mitte;
        else
            zuLang = mitte;
    }
    // A character of two units is not split.
    if (passt > 0 && passt < text.size() && text.at(passt).isLowSurrogate())
        --passt;
    return text.left(passt) + Auslassung;
}

QString EintragText(const QString& eingepasst, const QString& idAbstand, int32_t id) {
    return eingepasst + idAbstand + QString::number(id);
}

std::optional<int32_t> IdAusEintrag(const QString& eintrag) {
    const int rest = RestAbLetztem(eintrag, Tab);
    if (rest <= 1)
        return std::nullopt;
    const QString id = eintrag.right(rest - 1);
    bool ok = false;
    const int32_t zahl = id.toInt(&ok);
    if (!ok)
        return std::nullopt;
    return zahl;
}

// ---- the window

Verwaltung::Verwaltung(Programm& p, QWidget* eltern)
    : QDialog(eltern, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint),
      p_(p) {
    frage = [this](QMessageBox::Icon symbol, const QString& text,
                   QMessageBox::StandardButtons knoepfe) {
        return SystemfrageZeigen(this, symbol, text, knoepfe);
    };
    editorZeigen = [this] { NotizEditorZeigen(p_, NotizModus::Bearbeiten); };
    hilfeZeigen = [this] { HilfeZeigen(p_); };
    if (p_.ImmerOben)
        setWindowFlag(Qt::WindowStaysOnTopHint);

    setFixedSize(Px(BreiteTwips), Px(HoeheTwips));
    setWindowTitle(QStringLiteral("Pinwick - Notizverwaltung"));
    liste_ = new QListWidget(this);
    liste_->setObjectName(QStringLiteral("Liste"));
    liste_->setGeometry(Px(Rand), Px(Rand), Px(BreiteTwips - 2 * Rand), Px(ListeHoehe));
    liste_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    liste_->setTextElideMode(Qt::ElideNone);
    liste_->setItemDelegate(new EintragDelegat(p_.idAbstand, liste_));

    const auto knopf = [this](int nummer, const char* name, const QString& text) {
        auto* k = new QPushButton(text, this);
        k->setObjectName(QLatin1String(name));
        k->setGeometry(Px(BreiteTwips - Rand - KnopfBreite),
                       Px(Rand + ListeHoehe + 90 + nummer * (KnopfHoehe + 60)), Px(KnopfBreite),
                       Px(KnopfHoehe));
        k->setAutoDefault(false);
        return k;
    };
    bearbeitenBef_ = knopf(0, "BearbeitenBef", QStringLiteral("&Erste markierte Notiz bearbeiten"));
    loeschenBef_ = knopf(1, "LoeschenBef", QString::fromUtf16(u"Markierte Notizen &löschen"));
    endeBef_ = knopf(2, "EndeBef", QString::fromUtf16(u"S&chließen"));
    bearbeitenBef_->setEnabled(false);
    loeschenBef_->setEnabled(false);

    connect(liste_, &QListWidget::itemSelectionChanged, this, &Verwaltung::knoepfeSetzen);
    connect(liste_, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* eintrag) {
        liste_->clearSelection();
        eintrag->setSelected(true);
        Bearbeiten();
    });
    connect(bearbeitenBef_, &QPushButton::clicked, this, &Verwaltung::Bearbeiten);
    connect(loeschenBef_, &QPushButton::clicked, this, &Verwaltung::Loeschen);
    connect(endeBef_, &QPushButton::clicked, this, &QDialog::reject);

    for (QWidget* kind : findChildren<QWidget*>())
        kind->installEventFilter(this);

    // Opening: place, captions, list.
    const QRect schirm = Bildschirm(Oberflaeche::Von(p_).leiste);
    int oben = 200;
    if (Oberflaeche::Von(p_).leiste && Twips(Oberflaeche::Von(p_).leiste->y() - schirm.y()) >= 100)
        oben = Twips(schirm.height()) - HoeheTwips - 200;
    move(schirm.x() + Px(2050), schirm.y() + Px(oben));
    BeschriftungSetzen();
    ListeFuellen();
}

void Verwaltung::BeschriftungSetzen() {
    if (p_.Sprache != SpracheEnglisch && p_.Sprache != SpracheDeutsch)
        return;
    const bool en = p_.Sprache == SpracheEnglisch;
    const auto t = [en](const char16_t* englisch, const char16_t* deutsch) {
        return QString::fromUtf16(en ? englisch : deutsch);
    };
    setWindowTitle(t(u"Pinwick - Notes administration", u"Pinwick - Notizverwaltung"));
    bearbeitenBef_->setText(t(u"&Edit first selected note", u"&Erste markierte Notiz bearbeiten"));
    loeschenBef_->setText(t(u"De&lete selected notes", u"Markierte Notizen &löschen"));
    endeBef_->setText(t(u"&Close", u"S&chließen"));
}

void Verwaltung::ListeFuellen() {
    liste_->clear();
    if (!p_.lokaleNotizen)
        return;
    Datensatzmenge& rs = *p_.lokaleNotizen;
    try {
        if (rs.RecordCount() == 0)
            return;
        rs.MoveFirst();
    } catch (const std::exception&) {
        return;
    }
    const QFontMetrics fm(font());
    const int grenze = Twips(liste_->width()) - 500;
    const auto breite = [&fm](const QString& s) { return Twips(fm.horizontalAdvance(s)); };
    while (true) {
        try {
            if (rs.Eof())
                break;
            const int32_t id = rs.Feld(u"ID").alsInt32();
            // A row without a text still shows, so that it can be deleted.
            QString inhalt;
            try {
                const Wert wert = rs.Feld(u"inhalt");
                if (!wert.istNull())
                    inhalt = wert.alsText();
            } catch (const std::exception&) {
            }
            liste_->addItem(EintragText(TextEinpassen(inhalt, grenze, breite), p_.idAbstand, id));
        } catch (const std::exception&) {
            // A row without a readable ID cannot be edited or deleted here.
        }
        try {
            rs.MoveNext();
        } catch (const std::exception&) {
            break;
        }
    }
}

bool Verwaltung::AuswahlVorhanden() const {
    for (int i = 0; i < liste_->count(); ++i)
        if (liste_->item(i)->isSelected())
            return true;
    return false;
}

void Verwaltung::NurErsteAuswahl() {
    QListWidgetItem* erste = nullptr;
    for (int i = 0; i < liste_->count(); ++i) {
        QListWidgetItem* eintrag = liste_->item(i);
        if (!eintrag->isSelected())
            continue;
        if (!erste)
            erste = eintrag;
        else
            eintrag->setSelected(false);
    }
    if (erste)
        liste_->setCurrentItem(erste, QItemSelectionModel::NoUpdate);
}

void Verwaltung::knoepfeSetzen() {
    const bool an = AuswahlVorhanden();
    bearbeitenBef_->setEnabled(an);
    loeschenBef_->setEnabled(an);
}

void Verwaltung::Bearbeiten() {
    NurErsteAuswahl();
    QListWidgetItem* eintrag = liste_->currentItem();
    if (eintrag && eintrag->isSelected()) {
        const std::optional<int32_t> id = IdAusEintrag(eintrag->text());
        bool gefunden = false;
        if (id && p_.lokaleNotizen) {
            try {
                p_.lokaleNotizen->FindLast(QStringLiteral("ID = %1").arg(*id));
                gefunden = !p_.lokaleNotizen->NoMatch();
            } catch (const std::exception& fehler) {
                qCWarning(logNotizen, "note not found: %s", fehler.what());
            }
        }
        if (!gefunden) {
            if (frage)
                frage(QMessageBox::NoIcon, QStringLiteral("Datensatz nicht gefunden"),
                      QMessageBox::Ok);
        } else if (editorZeigen) {
            editorZeigen();
        }
    }
    ListeFuellen();
    bearbeitenBef_->setEnabled(false);
    loeschenBef_->setEnabled(false);
}

void Verwaltung::Loeschen() {
    if (!AuswahlVorhanden() || liste_->count() == 0)
        return;
    const QString text = p_.Sprache == SpracheEnglisch
                             ? QStringLiteral("Really delete seleted notes?")
                             : QString::fromUtf16(u"Markierte Notizen wirklich löschen?");
    if (!frage ||
        frage(QMessageBox::Warning, text, QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
        return;

    bool fehler = false;
    for (int i = liste_->count() - 1; i >= 0; --i) {
        QListWidgetItem* eintrag = liste_->item(i);
        if (!eintrag->isSelected())
            continue;
        const std::optional<int32_t> id = IdAusEintrag(eintrag->text());
        try {
            bool gefunden = false;
            if (id && p_.lokaleNotizen) {
                p_.lokaleNotizen->FindLast(QStringLiteral("ID = %1").arg(*id));
                gefunden = !p_.lokaleNotizen->NoMatch();
            }
            // A note gone from the table leaves the list all the same.
            delete liste_->takeItem(i);
            if (gefunden)
                p_.lokaleNotizen->Delete();
        } catch (const std::exception& f) {
            qCWarning(logNotizen, "note not deleted: %s", f.what());
            fehler = true;
            break;
        }
    }
    liste_->clearSelection();
    liste_->selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
    bearbeitenBef_->setEnabled(false);
    loeschenBef_->setEnabled(false);
    if (fehler)
        nachFehlerNeuLesen();
}

void Verwaltung::nachFehlerNeuLesen() {
    // The list must show what the table holds, not what the failed deletion
    // left in memory: the notes are read from the file again.
    if (p_.lokaleDatenbank) {
        try {
            p_.lokaleNotizen =
                p_.lokaleDatenbank->OpenRecordset(QStringLiteral("select * from Notizen"));
        } catch (const std::exception& f) {
            qCWarning(logNotizen, "notes not read again: %s", f.what());
        }
    }
    ListeFuellen();
    bearbeitenBef_->setEnabled(false);
    loeschenBef_->setEnabled(false);
    if (frage)
        frage(QMessageBox::Warning,
              p_.Sprache == SpracheEnglisch
                  ? QStringLiteral("Not every selected note could be deleted: database error. "
                                   "The list shows the notes as they are stored now.")
                  : QString::fromUtf16(u"Nicht alle markierten Notizen konnten gelöscht werden: "
                                       u"Datenbankfehler. Die Liste zeigt die Notizen, wie sie "
                                       u"jetzt gespeichert sind."),
              QMessageBox::Ok);
}

void Verwaltung::changeEvent(QEvent* ereignis) {
    QDialog::changeEvent(ereignis);
    // Made active, a topmost window goes to the top of the topmost ones: the
    // bar raises itself when it is clicked and would otherwise cover it.
    if (ereignis->type() == QEvent::ActivationChange && isActiveWindow() && p_.ImmerOben)
        QMetaObject::invokeMethod(this, &QWidget::raise, Qt::QueuedConnection);
}

bool Verwaltung::eventFilter(QObject* objekt, QEvent* ereignis) {
    if (ereignis->type() == QEvent::KeyPress) {
        auto* taste = static_cast<QKeyEvent*>(ereignis);
        const Qt::KeyboardModifiers umschalter =
            taste->modifiers() &
            (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
        if (taste->key() == Qt::Key_F1 && umschalter == Qt::NoModifier) {
            if (hilfeZeigen)
                hilfeZeigen();
            return true;
        }
        if (taste->key() == Qt::Key_Escape) {
            reject();
            return true;
        }
        // In the list the keys do what the buttons do: Return edits the
        // first selected note, Delete asks before deleting the selected ones.
        if (objekt == liste_ && umschalter == Qt::NoModifier) {
            if (taste->key() == Qt::Key_Return || taste->key() == Qt::Key_Enter) {
                if (AuswahlVorhanden())
                    Bearbeiten();
                return true;
            }
            if (taste->key() == Qt::Key_Delete) {
                Loeschen();
                return true;
            }
        }
    }
    return QDialog::eventFilter(objekt, ereignis);
}

void VerwaltungZeigen(Programm& p) {
    Verwaltung fenster(p);
    fenster.exec();
}

} // namespace pinwick
