// The news feeds' part of what the band shows: which feeds there are (the
// broadcaster's and the own file's), their items after the notes with the
// page and summary of each, and a feed that moved for good stored under
// its new address.

#include "TickerInhalt.h"

#include "FeedZeilen.h"
#include "Hilfen.h"
#include "Protokoll.h"
#include "Speicher.h"
#include "Versuche.h"

#include <algorithm>

namespace pinwick {

FeedTakt FeedTaktAusUmgebung(const QByteArray& wert) {
    FeedTakt takt;
    bool ok = false;
    const double faktor = wert.trimmed().toDouble(&ok);
    // Up to an hour's wait in a tenth of a second: more would only spin.
    if (ok && faktor >= 1 && faktor <= 36'000)
        takt.schneller = faktor;
    return takt;
}

const FeedVerweis* TickerInhalt::Verweis(const std::vector<Eintrag>& eintraege,
                                         const std::vector<FeedVerweis>& verweise, size_t index) {
    if (index >= eintraege.size() || eintraege[index].quelle != Eintrag::Feed ||
        verweise.size() > eintraege.size())
        return nullptr;
    const size_t erster = eintraege.size() - verweise.size();
    return index >= erster ? &verweise[index - erster] : nullptr;
}

QList<FeedQuelle> TickerInhalt::broadcastFeedsLesen() {
    // Read with its notes; a file that cannot be read this time keeps the
    // feeds read last, so that they do not stop and start again.
    if (p_.broadcastDatenbank) {
        try {
            letzteBroadcastFeeds_ = FeedsLesen(*p_.broadcastDatenbank);
        } catch (...) {
        }
    }
    return letzteBroadcastFeeds_;
}

void TickerInhalt::feedsAufbauen() {
    // The broadcaster's feeds first, as its notes come first; their IDs are
    // negated, so that they never meet the own file's.
    QList<FeedQuelle> quellen;
    if (p_.broadcastStatus)
        for (FeedQuelle q : std::as_const(letzteBroadcastFeeds_)) {
            q.id = -q.id;
            quellen.append(q);
        }
    else
        letzteBroadcastFeeds_.clear();
    if (p_.eigeneErlauben && p_.lokaleDatenbank)
        versuche([&] { quellen += FeedsLesen(*p_.lokaleDatenbank); });

    // The network is never asked from here: the fetching is only told
    // which feeds there are, and only when that changed.
    if (quellen != feedQuellen_) {
        feedQuellen_ = quellen;
        const bool eines = std::any_of(quellen.begin(), quellen.end(),
                                       [](const FeedQuelle& q) { return q.aktiv; });
        if (!feeds_ && eines) {
            feeds_ = std::make_unique<FeedAbholer>(feedTakt, feedCache);
            QObject::connect(feeds_.get(), &FeedAbholer::Geaendert, feeds_.get(), [this](qint64) {
                p_.aufbauZaehler = AufbauTakte;
                if (feedsGeaendert)
                    feedsGeaendert();
            });
            QObject::connect(
                feeds_.get(), &FeedAbholer::AdresseVerschoben, feeds_.get(),
                [this](qint64 id, const QString& neu) { feedAdresseVerschoben(id, neu); });
        }
        if (feeds_)
            feeds_->Setzen(quellen);
    }
    if (!feeds_)
        return;
    const QList<FeedZeile> zeilen =
        FeedZeilen(feedQuellen_, [this](qint64 id) { return feeds_->Stand(id); });
    if (zeilen.size() != letzteFeedZeilen_) {
        letzteFeedZeilen_ = zeilen.size();
        qCInfo(logFeeds) << "the band shows" << letzteFeedZeilen_ << "feed items";
    }
    for (const FeedZeile& z : zeilen) {
        Erhoehen(gefunden_);
        neueEintraege_.push_back(Eintrag{Eintrag::Feed, z.text, z.farbe});
        neueVerweise_.push_back(FeedVerweis{z.link, z.tooltip});
        p_.neuerText += z.text;
        p_.neuerText += p_.trennText;
    }
}

void TickerInhalt::feedAdresseVerschoben(qint64 id, const QString& neu) {
    // Only the own file is ever written: a broadcaster's feed (negative ID)
    // moves in this run's fetching alone.
    if (id <= 0 || !p_.lokaleDatenbank)
        return;
    versuche([&] {
        if (FeedAdresseAendern(*p_.lokaleDatenbank, id, neu))
            qCInfo(logFeeds) << "feed" << id << "stored under its new address";
    });
}

} // namespace pinwick
