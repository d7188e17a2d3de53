#pragma once
// What the band shows of the feeds, after the notes: each feed's newest
// items as "Feed title: item title" in the feed's colour, with the page to
// open on a click and the summary for the tooltip. Widget-free, so that
// both bars (X11 and Wayland) take the same lines.

#include "FeedAbholer.h"
#include "FeedQuellen.h"

#include <QList>
#include <QString>
#include <functional>

namespace pinwick {

struct FeedZeile {
    qint64 feed = 0;
    QString text;
    int farbe = FeedFarbeStandard; // &H00BBGGRR, or the notes' font colour
    QString link;                  // http(s) only; empty: a click opens nothing
    QString tooltip;               // the summary as plain text

    bool operator==(const FeedZeile&) const = default;
};

// The lines of the feeds that are on, in the order given, at most `anzahl`
// of each. A feed is named by its title in the table, else its own title,
// else its address's host. A feed with no items yet gives no line.
QList<FeedZeile> FeedZeilen(const QList<FeedQuelle>& quellen,
                            const std::function<const FeedStand*(qint64)>& stand);

} // namespace pinwick
