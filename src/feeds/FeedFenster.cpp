#include "FeedFenster.h"

#include "FeedAbholer.h"
#include "FeedQuellen.h"
#include "Protokoll.h"
#include "Sprachwahl.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <exception>

namespace pinwick {

namespace {

enum Spalte { Titel, Adresse, An, Anzahl, Geholt, Gehalten, Fehler, SpaltenZahl };

// The time of the last fetch, as the desk's clock reads it.
QString zeitText(const QDateTime& t) {
    return t.isValid() ? t.toLocalTime().toString(QStringLiteral("yyyy-MM-dd hh:mm")) : QString();
}

} // namespace

QString FeedFenster::text(const char16_t* englisch, const char16_t* deutsch) const {
    return QString::fromUtf16(p_.Sprache == SpracheEnglisch ? englisch : deutsch);
}

FeedFenster::FeedFenster(Programm& p, const FeedAbholer* abholer, QWidget* eltern)
    : QDialog(eltern), p_(p), abholer_(abholer) {
    setObjectName(QStringLiteral("FeedFenster"));
    setWindowTitle(text(u"News feeds", u"Nachrichtenfeeds"));
    auto* spalten = new QVBoxLayout(this);

    liste_ = new QTableWidget(0, SpaltenZahl, this);
    liste_->setObjectName(QStringLiteral("liste"));
    liste_->setHorizontalHeaderLabels(
        {text(u"Title", u"Titel"), text(u"Address", u"Adresse"), text(u"On", u"An"),
         text(u"Shown", u"Gezeigt"), text(u"Last fetched", u"Zuletzt geholt"),
         text(u"Items", u"Meldungen"), text(u"Last error", u"Letzter Fehler")});
    liste_->setSelectionBehavior(QAbstractItemView::SelectRows);
    liste_->setSelectionMode(QAbstractItemView::SingleSelection);
    liste_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    liste_->verticalHeader()->hide();
    liste_->horizontalHeader()->setStretchLastSection(true);
    spalten->addWidget(liste_);

    auto* zeile = new QHBoxLayout;
    adresse_ = new QLineEdit(this);
    adresse_->setObjectName(QStringLiteral("adresseText"));
    adresse_->setPlaceholderText(QStringLiteral("https://"));
    hinzufuegen_ = new QPushButton(text(u"Add", u"Hinzuf\u00FCgen"), this);
    hinzufuegen_->setObjectName(QStringLiteral("hinzufuegenBef"));
    zeile->addWidget(adresse_, 1);
    zeile->addWidget(hinzufuegen_);
    spalten->addLayout(zeile);

    auto* knoepfe = new QHBoxLayout;
    entfernen_ = new QPushButton(text(u"Remove", u"Entfernen"), this);
    entfernen_->setObjectName(QStringLiteral("entfernenBef"));
    schalten_ = new QPushButton(text(u"On / off", u"An / aus"), this);
    schalten_->setObjectName(QStringLiteral("schaltenBef"));
    schliessen_ = new QPushButton(text(u"Close", u"Schlie\u00DFen"), this);
    schliessen_->setObjectName(QStringLiteral("schliessenBef"));
    knoepfe->addWidget(entfernen_);
    knoepfe->addWidget(schalten_);
    knoepfe->addStretch(1);
    knoepfe->addWidget(schliessen_);
    spalten->addLayout(knoepfe);

    meldung_ = new QLabel(this);
    meldung_->setObjectName(QStringLiteral("meldung"));
    meldung_->setTextFormat(Qt::PlainText);
    meldung_->setWordWrap(true);
    spalten->addWidget(meldung_);

    connect(hinzufuegen_, &QPushButton::clicked, this, [this] { Hinzufuegen(); });
    connect(adresse_, &QLineEdit::returnPressed, this, [this] { Hinzufuegen(); });
    connect(entfernen_, &QPushButton::clicked, this, [this] { Entfernen(); });
    connect(schalten_, &QPushButton::clicked, this, [this] { Schalten(); });
    connect(schliessen_, &QPushButton::clicked, this, &QDialog::accept);
    if (abholer_)
        connect(abholer_, &FeedAbholer::Geaendert, this, [this] { Auffrischen(); });

    resize(760, 300);
    Auffrischen();
}

void FeedFenster::melden(const QString& text) {
    meldung_->setText(text);
}

void FeedFenster::Auffrischen() {
    const qint64 vorher = gewaehlt();
    QList<FeedQuelle> feeds;
    try {
        if (p_.lokaleDatenbank)
            feeds = FeedsLesen(*p_.lokaleDatenbank);
    } catch (const std::exception& f) {
        melden(
            text(u"The feeds cannot be read: ", u"Die Feeds k\u00F6nnen nicht gelesen werden: ") +
            QString::fromLocal8Bit(f.what()));
    }
    liste_->setRowCount(int(feeds.size()));
    for (int r = 0; r < feeds.size(); ++r) {
        const FeedQuelle& q = feeds[r];
        const FeedStand* s = abholer_ ? abholer_->Stand(q.id) : nullptr;
        const auto setzen = [&](int spalte, const QString& wert) {
            auto* feld = new QTableWidgetItem(wert);
            feld->setData(Qt::UserRole, q.id);
            liste_->setItem(r, spalte, feld);
        };
        setzen(Titel, !q.titel.isEmpty() ? q.titel : (s ? s->titel : QString()));
        setzen(Adresse, q.adresse);
        setzen(An, q.aktiv ? text(u"on", u"an") : text(u"off", u"aus"));
        setzen(Anzahl, QString::number(q.anzahl));
        setzen(Geholt, s ? zeitText(s->geholt) : QString());
        setzen(Gehalten, s ? QString::number(s->eintraege.size()) : QString());
        setzen(Fehler, s ? s->fehler : QString());
        if (q.id == vorher)
            liste_->selectRow(r);
    }
    liste_->resizeColumnsToContents();
    const bool eine = !feeds.isEmpty();
    entfernen_->setEnabled(eine);
    schalten_->setEnabled(eine);
}

qint64 FeedFenster::gewaehlt() const {
    const int r = liste_->currentRow();
    const QTableWidgetItem* feld = r >= 0 ? liste_->item(r, Titel) : nullptr;
    return feld ? feld->data(Qt::UserRole).toLongLong() : 0;
}

bool FeedFenster::Hinzufuegen() {
    const std::optional<QString> adresse = FeedAdresseNormal(adresse_->text());
    if (!adresse) {
        melden(text(u"Only an http or https address without a user name can be a feed.",
                    u"Nur eine http- oder https-Adresse ohne Benutzernamen kann ein Feed sein."));
        adresse_->setFocus();
        return false;
    }
    if (!p_.lokaleDatenbank)
        return false;
    FeedQuelle f;
    f.adresse = *adresse;
    try {
        FeedHinzufuegen(*p_.lokaleDatenbank, f);
    } catch (const std::exception& fehler) {
        melden(text(u"The feed was not added: ", u"Der Feed wurde nicht hinzugef\u00FCgt: ") +
               QString::fromLocal8Bit(fehler.what()));
        return false;
    }
    qCInfo(logFeeds) << "feed added in the window:" << *adresse;
    adresse_->clear();
    melden({});
    Auffrischen();
    liste_->selectRow(liste_->rowCount() - 1);
    return true;
}

bool FeedFenster::Entfernen() {
    return gewaehltAendern([this](qint64 id) { return FeedEntfernen(*p_.lokaleDatenbank, id); });
}

bool FeedFenster::Schalten() {
    const bool an = liste_->currentRow() >= 0 &&
                    liste_->item(liste_->currentRow(), An)->text() != text(u"on", u"an");
    return gewaehltAendern(
        [this, an](qint64 id) { return FeedSchalten(*p_.lokaleDatenbank, id, an); });
}

bool FeedFenster::gewaehltAendern(const std::function<bool(qint64)>& aendern) {
    const qint64 id = gewaehlt();
    if (id == 0 || !p_.lokaleDatenbank) {
        melden(text(u"Choose a feed in the list first.",
                    u"W\u00E4hlen Sie zuerst einen Feed in der Liste."));
        return false;
    }
    bool erledigt = false;
    try {
        erledigt = aendern(id);
    } catch (const std::exception& fehler) {
        melden(QString::fromLocal8Bit(fehler.what()));
        return false;
    }
    melden({});
    Auffrischen();
    return erledigt;
}

bool FeedFensterErlaubt(Programm& p, const std::function<void(Programm&)>& passTest) {
    if (!p.sysopStatus)
        return true;
    // Asked afresh each time, as the settings window asks.
    p.zugangErlaubt = false;
    if (passTest)
        passTest(p);
    return p.zugangErlaubt;
}

void FeedFensterZeigen(Programm& p, const FeedAbholer* abholer, QWidget* eltern) {
    FeedFenster fenster(p, abholer, eltern);
    fenster.exec();
}

} // namespace pinwick
