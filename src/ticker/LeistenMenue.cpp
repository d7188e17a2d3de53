#include "LeistenMenue.h"
#include "Sprachwahl.h"

#include <QAction>
#include <QMenu>
#include <QPoint>

namespace pinwick {

LeistenMenue::LeistenMenue(QWidget& eltern) {
    menue_ = new QMenu(QStringLiteral("Kontext"), &eltern);
    neu_ = menue_->addAction(QStringLiteral("Neue Notiz"));
    strich1_ = menue_->addSeparator();
    verwaltung_ = menue_->addAction(QStringLiteral("Notizverwaltung"));
    strich3_ = menue_->addSeparator();
    anhalten_ = menue_->addAction(QStringLiteral("Laufschrift anhalten   Leertaste"));
    anhalten_->setObjectName(QStringLiteral("laufschriftAnhalten"));
    trotzdem_ = menue_->addAction(QStringLiteral("Trotzdem scrollen"));
    trotzdem_->setObjectName(QStringLiteral("trotzdemScrollen"));
    trotzdem_->setCheckable(true);
    trotzdem_->setVisible(false);
    strich4_ = menue_->addSeparator();
    einstellungen_ = menue_->addAction(QStringLiteral("Einstellungen"));
    feeds_ = menue_->addAction(QStringLiteral("Nachrichtenfeeds"));
    feeds_->setObjectName(QStringLiteral("nachrichtenfeeds"));
    hilfe_ = menue_->addAction(QStringLiteral("Hilfe"));
    about_ = menue_->addAction(QStringLiteral("\u00DCber ..."));
    strich2_ = menue_->addSeparator();
    ende_ = menue_->addAction(QStringLiteral("Ende"));
}

void LeistenMenue::Beschriften(int16_t sprache) {
    if (sprache != SpracheEnglisch && sprache != SpracheDeutsch)
        return;
    sprache_ = sprache;
    struct Text {
        QAction* eintrag;
        const char16_t* englisch;
        const char16_t* deutsch;
    };
    const Text texte[] = {
        {neu_, u"New note   Ctrl-N", u"Neue Notiz   Strg-N"},
        {verwaltung_, u"Notes administration", u"Notizverwaltung"},
        {einstellungen_, u"Settings", u"Einstellungen"},
        {feeds_, u"News feeds", u"Nachrichtenfeeds"},
        {hilfe_, u"Help  F1", u"Hilfe  F1"},
        {about_, u"About ...", u"\u00DCber ..."},
        {ende_, u"End", u"Beenden"},
        {trotzdem_, u"Scroll anyway", u"Trotzdem scrollen"},
    };
    for (const Text& t : texte)
        t.eintrag->setText(QString::fromUtf16(sprache == SpracheEnglisch ? t.englisch : t.deutsch));
    Laufschrift(angehalten_, trotzdem_->isVisible(), trotzdem_->isChecked());
}

void LeistenMenue::Laufschrift(bool angehalten, bool wenigerBewegung, bool trotzdemScrollen) {
    angehalten_ = angehalten;
    const bool englisch = sprache_ == SpracheEnglisch;
    // The key is named in the entry, as Ctrl-N is in "New note".
    if (angehalten)
        anhalten_->setText(englisch ? QStringLiteral("Resume scrolling   Space")
                                    : QStringLiteral("Laufschrift fortsetzen   Leertaste"));
    else
        anhalten_->setText(englisch ? QStringLiteral("Stop scrolling   Space")
                                    : QStringLiteral("Laufschrift anhalten   Leertaste"));
    trotzdem_->setVisible(wenigerBewegung);
    trotzdem_->setChecked(trotzdemScrollen);
}

void LeistenMenue::NotizBefehleZeigen(bool an) {
    neu_->setVisible(an);
    strich1_->setVisible(an);
    verwaltung_->setVisible(an);
    strich3_->setVisible(an);
}

void LeistenMenue::Aktiv(bool an) {
    menue_->setEnabled(an);
    for (QAction* eintrag : menue_->actions())
        eintrag->setEnabled(an);
}

bool LeistenMenue::IstAktiv() const {
    return menue_->isEnabled();
}

void LeistenMenue::Oeffnen(const QPoint& global) {
    menue_->popup(global);
}

} // namespace pinwick
