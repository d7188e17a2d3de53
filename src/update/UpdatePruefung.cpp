#include "UpdatePruefung.h"

#include "MBox.h"
#include "UpdateSignal.h"

namespace pinwick {

UpdatePruefung::UpdatePruefung(Programm& p) : UpdateKern(p) {
    mBox = [this](int16_t art, const QString& text) { mBoxZeigen(p_, art, text); };
}

UpdatePruefung::~UpdatePruefung() {
    delete signal_.data();
}

UpdateSignal* UpdatePruefung::Signal() const {
    return signal_.data();
}

void UpdatePruefung::hinweisZeigen() {
    if (!signal_) {
        signal_ = new UpdateSignal(p_);
        signal_->setAttribute(Qt::WA_DeleteOnClose);
        QObject::connect(signal_, &UpdateSignal::geklickt, signal_, [this] { Annehmen(); });
    }
    signal_->AnLeiste();
    signal_->show();
}

void UpdatePruefung::hinweisWeg() {
    if (signal_)
        signal_->deleteLater();
    signal_ = nullptr;
}

void UpdatePruefung::SignalAnLeiste() {
    if (!signal_)
        return;
    if (signal_->isVisible())
        signal_->AnLeiste();
    else
        hinweisWeg();
}

} // namespace pinwick
