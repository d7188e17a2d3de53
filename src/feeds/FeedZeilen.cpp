#include "FeedZeilen.h"

#include <QUrl>

namespace pinwick {

QList<FeedZeile> FeedZeilen(const QList<FeedQuelle>& quellen,
                            const std::function<const FeedStand*(qint64)>& stand) {
    QList<FeedZeile> zeilen;
    for (const FeedQuelle& q : quellen) {
        if (!q.aktiv)
            continue;
        const FeedStand* s = stand(q.id);
        if (!s)
            continue;
        QString name = q.titel.simplified();
        if (name.isEmpty())
            name = s->titel;
        if (name.isEmpty())
            name = QUrl(q.adresse).host();
        const int anzahl = std::min<int>(q.anzahl, int(s->eintraege.size()));
        for (int i = 0; i < anzahl; ++i) {
            const FeedEintrag& e = s->eintraege[i];
            FeedZeile z;
            z.feed = q.id;
            z.text = name + QStringLiteral(": ") + e.titel;
            z.farbe = q.farbe;
            // Checked once more where it leaves for the desktop's handler:
            // the cache file may have been edited by hand.
            z.link = LinkSicher(QUrl(e.link)) ? e.link : QString();
            z.tooltip = e.zusammenfassung;
            zeilen.append(z);
        }
    }
    return zeilen;
}

} // namespace pinwick
