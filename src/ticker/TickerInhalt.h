#pragma once
// What the ticker shows: every hundredth tick the due notes of the
// broadcaster and of this installation are collected into the entry list and
// the ticker text; on every tick the connection to the broadcaster is watched.
// No widgets here: the bar hands in its measurements and reactions.

#include "FeedAbholer.h"
#include "Programm.h"

#include <QDateTime>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

namespace pinwick {

class TickerInhalt {
public:
    explicit TickerInhalt(Programm& p);
    ~TickerInhalt();

    // ---- what the bar provides (all lengths in twips)
    // Width of a text in the band's font. It may stop measuring a long text
    // once it is wider than the band: the display mode asks no more.
    std::function<int(const QString&)> textBreite;
    // Width of the ticker band.
    std::function<int()> bandBreite;
    // The bar's width, inner height and top, for placing the network notice.
    std::function<int()> leistenBreite;
    std::function<int()> leistenInnenHoehe;
    std::function<int()> leistenOben;
    // Inner height of the bubble window (it opens above a bar at the bottom).
    std::function<int()> bubbleInnenHoehe;
    // Shows the bubble at offsets from the active window (BubbleZeigen).
    std::function<void(int links, int oben, const QString& text)> bubbleZeigen;
    // Closes the bubble when one is visible.
    std::function<void()> bubbleSchliessen;
    // Lays the bar out anew after adopted settings changed something.
    std::function<void()> neuLayout;
    // The shown text changed: clear the band, restart at the left margin.
    std::function<void()> textNeu;
    // The daily update check (the bar hands it in).
    std::function<void()> updatePruefen;
    // The delay in milliseconds before a changed broadcaster's file is
    // reopened, at most MaxVerzugMs; random unless a test sets it.
    std::function<int()> verzugWuerfeln;
    // A feed's items, error or time of fetching changed: the next run
    // rebuilds, and the bar should wake for it.
    std::function<void()> feedsGeaendert;

    // ---- the news feeds
    // Their rhythm and their cache file, taken when the first feed is set
    // up (the fetching starts no sooner: a bar without feeds is the same as
    // ever). FeedTaktAusUmgebung gives the rhythm a bar starts with.
    FeedTakt feedTakt;
    QString feedCache;
    // The fetching, or nullptr while no feed has been set up in this run.
    FeedAbholer* Feeds() const { return feeds_.get(); }
    // The feeds asked for at the last rebuild: the broadcaster's (IDs
    // negated, so that they never meet the own file's) and the own.
    const QList<FeedQuelle>& FeedQuellen() const { return feedQuellen_; }
    // The link and summary of entry `index` of `eintraege` when it is a
    // feed's item; nullptr otherwise.
    static const FeedVerweis* Verweis(const std::vector<Eintrag>& eintraege,
                                      const std::vector<FeedVerweis>& verweise, size_t index);

    // One run per wake of the bar's timer. `takte` is the time elapsed since
    // the last run, in whole ticks of 50 ms: the rebuild counter counts time,
    // not runs, so that a bar that sleeps between runs still rebuilds every
    // AufbauTakte ticks. The connection watch runs at every run.
    void NotizMachen(int takte = 1);
    // Ticks still to pass before a run rebuilds; 0 when the next run does
    // (the counter was set to AufbauTakte to ask for a rebuild).
    int TakteBisAufbau() const;
    // The connection to a broadcaster is watched (at every run) and retried
    // after an outage (NetzWiederholung): a sleeping bar must wake for it.
    bool NetzWacht() const { return p_.broadcastStatus || p_.netzFehler; }
    // The bar was laid out anew (another screen size, font or border): the
    // same text may no longer fit the band, or fit it now. The display mode
    // follows at once, so that notes cut off at the band's edge start to
    // scroll and scrolling ones that fit stand still.
    void ModusNachLayout();
    // Another program changed the own notes file: the next run rebuilds,
    // reading the own notes anew from the file.
    void EigeneNeuLesen();
    // Milliseconds until a reopening put off after a change of the
    // broadcaster's file is due (0: due now), or -1 when none waits: a
    // sleeping bar wakes for it.
    int MsBisVerzugEnde() const;
    // Tick step 1: once the clock is in a later minute than the last network
    // error, let the next run test the broadcaster's file again; raise the
    // notice again when its marker file has vanished.
    void NetzWiederholung();
    // The network-error notice: beep, bubble, marker file "nefe".
    void NetzFehlerMelden();

    // The schedule test on the current row of the local / broadcast notes.
    // Throws DatenFehler when a needed column holds Null.
    void ZeitTest(bool& faellig) const;
    void ZeitTestExt(bool& faellig) const;

    // Display mode of the shown text: 1 static, 2 scrolling.
    static constexpr int16_t Statisch = 1;
    static constexpr int16_t Scrollend = 2;
    // The text starts one twip right of the 100-twip margin.
    static constexpr int LinkerRand = 100;
    // Longest wait between seeing the broadcaster's file changed and
    // reopening it: short against the five seconds between rebuilds, long
    // enough to spread hundreds of receivers' reads.
    static constexpr int MaxVerzugMs = 500;
    // Every this many ticks of 50 ms the content is rebuilt.
    static constexpr int AufbauTakte = 100;
    static constexpr int TaktMs = 50;

private:
    struct BroadcastLauf;
    // Steps of a tick: the start of a rebuild, the check on the
    // broadcaster's file (true while a returned file waits for this
    // receiver's delay), the own notes, and showing the text assembled.
    void aufbauBeginnen();
    bool broadcastZustandPruefen();
    void eigeneNotizenAufbauen();
    void textZeigen(bool aufbau);
    void broadcastNotizenLesen();
    // Steps of reading the broadcaster's notes: open and take over its
    // settings (false when nothing more is to be read), reopen after a
    // failure, and walk the records.
    bool broadcastVorbereiten();
    bool broadcastWiederVerbinden(BroadcastLauf& lauf);
    void broadcastDurchlaufen(BroadcastLauf& lauf);
    void letzteBroadcastZeigen();
    void broadcastGelesenVermerken(int vorher);
    // True once the delay after a seen change has passed (and draws the
    // delay at the first sight of the change).
    bool wiederOeffnenFaellig();
    // A delay was drawn and has passed.
    bool verzugVorbei() const;
    void eigeneNotizenLesen();
    void nefeSchreiben();
    QString nefeLesen() const;
    bool nefeVorhanden() const;
    void nefeLoeschen();
    void anhaengen(int16_t quelle, const QString& text);
    // Scrollend when the text is wider than the band, else Statisch.
    int16_t modusFuer(const QString& text) const;
    // At the end of a rebuild: the entries found become the entry list.
    void eintraegeUebernehmen();
    // The feeds of both files, handed to the fetching when they changed, and
    // their items appended after the notes.
    void feedsAufbauen();
    QList<FeedQuelle> broadcastFeedsLesen();
    void feedAdresseVerschoben(qint64 id, const QString& neu);

    Programm& p_;
    // The broadcaster's due notes of the last rebuild that could read them,
    // and whether one could since the program started.
    std::vector<QString> letzteBroadcast_;
    bool broadcastGelesen_ = false;
    // The marker's line while the file "nefe" cannot hold it; empty otherwise.
    QString nefeImSpeicher_;
    int gefunden_ = 0;                   // due notes found in the current rebuild
    std::vector<Eintrag> neueEintraege_; // and the entries made of them
    QDateTime jetzt_;                    // the moment of the current rebuild
    bool eigeneNeuLesen_ = false;        // the own notes file changed outside
    // The broadcaster's feeds as last read with its notes.
    QList<FeedQuelle> letzteBroadcastFeeds_;
    QList<FeedQuelle> feedQuellen_;
    std::vector<FeedVerweis> neueVerweise_;
    qsizetype letzteFeedZeilen_ = 0;
    std::unique_ptr<FeedAbholer> feeds_;
};

// The rhythm of fetching for a bar: the standard one, shortened for tests by
// PINWICK_FEEDS_SCHNELLER (a factor: 900 makes a quarter of an hour a
// second). `wert` is the variable's value; nonsense leaves the standard.
FeedTakt FeedTaktAusUmgebung(const QByteArray& wert);

} // namespace pinwick
