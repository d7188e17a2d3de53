#include "LeistenUhr.h"

#include "Hilfen.h"

namespace pinwick {

qint64 SekundeVon(qint64 ms) {
    return ms / 1000 - (ms % 1000 < 0 ? 1 : 0);
}

qint64 MsBisZumNaechsten(qint64 ms, qint64 teil) {
    const qint64 rest = ms % teil;
    return teil - (rest < 0 ? rest + teil : rest);
}

LeistenUhr::LeistenUhr(const Uhr& uhr, std::function<QChar()> trenner)
    : uhr_(uhr),
      trennerQuelle_(trenner ? std::move(trenner) : std::function<QChar()>(DatumTrenner)) {}

bool LeistenUhr::Stellen(int16_t sprache) {
    const qint64 sekunde = SekundeVon(uhr_.Millisekunden());
    if (sekunde == sekunde_ && sprache == sprache_)
        return false;
    sekunde_ = sekunde;
    sprache_ = sprache;
    const qint64 minute = sekunde / 60 - (sekunde % 60 < 0 ? 1 : 0);
    if (minute != trennerMinute_) {
        trennerMinute_ = minute;
        trenner_ = trennerQuelle_();
    }
    anzeige_ = UhrAnzeigeText(uhr_.Jetzt(), sprache, trenner_);
    return true;
}

qint64 LeistenUhr::MsBisFaellig(int16_t sprache) const {
    const qint64 ms = uhr_.Millisekunden();
    const bool veraltet = SekundeVon(ms) != sekunde_ || sprache != sprache_;
    return veraltet ? 0 : MsBisZumNaechsten(ms, 1000);
}

} // namespace pinwick
