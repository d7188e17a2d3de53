#include "LeistenMenue.h"

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
    einstellungen_ = menue_->addAction(QStringLiteral("Einstellungen"));
    hilfe_ = menue_->addAction(QStringLiteral("Hilfe"));
    about_ = menue_->addAction(QStringLiteral("\u00DCber ..."));
    strich2_ = menue_->addSeparator();
    ende_ = menue_->addAction(QStringLiteral("Ende"));
}

void LeistenMenue::Beschriften(int16_t sprache) {
    if (sprache == 1) {
        neu_->setText(QStringLiteral("New note   Ctrl-N"));
        verwaltung_->setText(QStringLiteral("Notes administration"));
        einstellungen_->setText(QStringLiteral("Settings"));
        hilfe_->setText(QStringLiteral("Help  F1"));
        about_->setText(QStringLiteral("About ..."));
        ende_->setText(QStringLiteral("End"));
    } else if (sprache == 2) {
        neu_->setText(QStringLiteral("Neue Notiz   Strg-N"));
        verwaltung_->setText(QStringLiteral("Notizverwaltung"));
        einstellungen_->setText(QStringLiteral("Einstellungen"));
        hilfe_->setText(QStringLiteral("Hilfe  F1"));
        about_->setText(QStringLiteral("\u00DCber ..."));
        ende_->setText(QStringLiteral("Beenden"));
    }
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
