#pragma once
// The daily update check as the bar uses it: UpdateKern's check with its
// notice UpdateSignal beside the bar and its questions in the message box.

#include "UpdateKern.h"

#include <QPointer>

namespace pinwick {

class UpdateSignal;

class UpdatePruefung : public UpdateKern {
public:
    explicit UpdatePruefung(Programm& p);
    ~UpdatePruefung() override;

    // The notice, while it exists.
    UpdateSignal* Signal() const;
    // From the bar's layout: moves a visible notice against the bar; a hidden
    // one goes away.
    void SignalAnLeiste();

protected:
    void hinweisZeigen() override;
    void hinweisWeg() override;

private:
    QPointer<UpdateSignal> signal_;
};

} // namespace pinwick
