#pragma once
// Whether the band moves, and what it shows when it does not. The reader
// decides: the band stands while the pointer rests on it or the bar has the
// keyboard focus, and goes on from where it stood; stopped by the reader, or
// where the desktop asks for less motion, it shows its notes page by page
// instead of scrolling. Pages turn by hand when the reader stopped the band,
// by themselves (after a time that grows with their length) when the desktop
// asked for less motion, and never while the pointer or the focus rests on
// the bar. None of this knows widgets: the bar feeds it and asks it.

#include <QString>
#include <QtGlobal>
#include <cstddef>
#include <vector>

namespace pinwick {

class BandBewegung {
public:
    enum class Art {
        Laufend,  // scrolls as it always did
        Stehend,  // stands where it was (pointer or focus on the bar)
        Seitenweise // page by page
    };

    void ZeigerDrauf(bool an) { zeiger_ = an; }
    void Fokus(bool an) { fokus_ = an; }
    // The reader's stop (menu, Space, --pause); lasts across restarts.
    void Angehalten(bool an) { angehalten_ = an; }
    // The desktop asks for less motion.
    void WenigerBewegung(bool an) { weniger_ = an; }
    // The reader wants scrolling here all the same.
    void TrotzdemScrollen(bool an) { trotzdem_ = an; }

    bool ZeigerIstDrauf() const { return zeiger_; }
    bool HatFokus() const { return fokus_; }
    bool IstAngehalten() const { return angehalten_; }
    bool WirdWenigerBewegt() const { return weniger_; }
    bool ScrolltTrotzdem() const { return trotzdem_; }

    Art Zustand() const;
    // Pages turn by themselves now (less motion, nobody resting on the bar).
    bool BlaettertSelbst() const;

private:
    bool zeiger_ = false;
    bool fokus_ = false;
    bool angehalten_ = false;
    bool weniger_ = false;
    bool trotzdem_ = false;
};

// One page of the band: entries [erster, erster + anzahl). A page that holds
// a single entry wider than the band shows it cut (abgeschnitten).
struct BandSeite {
    size_t erster = 0;
    size_t anzahl = 0;
    bool abgeschnitten = false;
    bool operator==(const BandSeite&) const = default;
};

// Splits entries of the given widths into pages of a band `bandBreite` wide:
// as many entries as fit one after the other, each but the last followed by
// a separator `trennBreite` wide; an entry wider than the band alone on its
// page. No entries, no pages. All widths in the same unit.
std::vector<BandSeite> SeitenBilden(const std::vector<int>& breiten, int trennBreite,
                                    int bandBreite);

// How long a page of `zeichen` characters stands when pages turn by
// themselves: long enough to read it, never less than five seconds.
qint64 SeitenDauerMs(qsizetype zeichen);
inline constexpr qint64 KuerzesteSeitenDauerMs = 5000;
inline constexpr qint64 LaengsteSeitenDauerMs = 60000;

// The page mark, "2/3"; empty for a single page.
QString SeitenMarke(size_t seite, size_t seiten);

} // namespace pinwick
