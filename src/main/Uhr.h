#pragma once
// The program's one clock. Every read of "now" goes through it, so that tests
// can stand it still at any moment (midnight, month ends, a boundary second).

#include <QDateTime>
#include <chrono>
#include <optional>

namespace pinwick {

class Uhr {
public:
    QDateTime Jetzt() const { return fest_ ? *fest_ : QDateTime::currentDateTime(); }
    QDate Heute() const { return Jetzt().date(); }
    // Milliseconds since 1970 (UTC): cheap to read, no time zone involved;
    // enough to tell whether a second has passed.
    qint64 Millisekunden() const { return fest_ ? festMs_ : QDateTime::currentMSecsSinceEpoch(); }

    // Milliseconds of a steady clock: time elapsed, which setting the time of
    // day (by hand or by the network) does not move. Only differences mean
    // anything. The bar counts its ticks and its rebuilds with it.
    qint64 Monoton() const { return fest_ ? festMonoton_ : laufendMonoton(); }

    // Stops the clock at the given moment (tests). Setting the time of day
    // of a stopped clock again is a jump, not time elapsed: the steady clock
    // stays where it stood.
    void Stellen(const QDateTime& moment) {
        if (!fest_)
            festMonoton_ = laufendMonoton();
        fest_ = moment;
        festMs_ = moment.toMSecsSinceEpoch();
    }
    // Lets a stopped clock run on by the given time: the time of day and
    // the steady clock alike.
    void Vorstellen(qint64 sekunden) { VorstellenMs(sekunden * 1000); }
    void VorstellenMs(qint64 ms) {
        if (!fest_)
            return;
        const qint64 monoton = festMonoton_;
        Stellen(fest_->addMSecs(ms));
        festMonoton_ = monoton + ms;
    }

private:
    static qint64 laufendMonoton() {
        return std::chrono::duration_cast<std::chrono::milliseconds>(
                   std::chrono::steady_clock::now().time_since_epoch())
            .count();
    }

    std::optional<QDateTime> fest_;
    qint64 festMs_ = 0;
    qint64 festMonoton_ = 0;
};

} // namespace pinwick
