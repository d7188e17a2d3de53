#pragma once
// The program's one clock. Every read of "now" goes through it, so that tests
// can stand it still at any moment (midnight, month ends, a boundary second).

#include <QDateTime>
#include <optional>

namespace pinwick {

class Uhr {
public:
    QDateTime Jetzt() const { return fest_ ? *fest_ : QDateTime::currentDateTime(); }
    QDate Heute() const { return Jetzt().date(); }
    // Milliseconds since 1970 (UTC): cheap to read, no time zone involved;
    // enough to tell whether a second has passed.
    qint64 Millisekunden() const { return fest_ ? festMs_ : QDateTime::currentMSecsSinceEpoch(); }

    // Stops the clock at the given moment (tests).
    void Stellen(const QDateTime& moment) {
        fest_ = moment;
        festMs_ = moment.toMSecsSinceEpoch();
    }
    void Vorstellen(qint64 sekunden) {
        if (fest_)
            Stellen(fest_->addSecs(sekunden));
    }
    void Laufen() { fest_.reset(); }

private:
    std::optional<QDateTime> fest_;
    qint64 festMs_ = 0;
};

} // namespace pinwick
