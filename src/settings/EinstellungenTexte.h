#pragma once
// The texts of the settings window in both languages: the captions and tips
// of its controls by object name, the help pop-ups' texts, and what the
// window says or asks while it runs.

#include "Sprachwahl.h"

#include <QString>
#include <cstdint>

namespace pinwick {

// A text in both languages: English for language 1, German for any other.
struct Zweisprachig {
    const char16_t* englisch = nullptr;
    const char16_t* deutsch = nullptr;

    bool leer() const { return !englisch; }
    QString in(int16_t sprache) const {
        return QString::fromUtf16(sprache == SpracheEnglisch ? englisch : deutsch);
    }
};

struct Beschriftung {
    const char* name; // the control's object name; the window's own for its title
    Zweisprachig text;
    Zweisprachig tipp; // tool tip, where the control has one
};

// clang-format off
inline constexpr Beschriftung EinstellungenBeschriftungen[] = {
    {"Einstellungen",      {u"Pinwick - Settings", u"Pinwick - Einstellungen"}, {}},
    // the miniature and its buttons
    {"HinweisPan",         {u"Click on a ticker element to set its properties.",
                            u"Klicken Sie auf ein Ticker-Element, um seine Eigenschaften "
                            u"einzustellen."}, {}},
    {"FarbePan2",          {u"Date / time", u"Datum / Uhrzeit"}, {}},
    {"FarbePan3",          {u" Note local", u" Notiz lokal"}, {}},
    {"FarbePan4",          {u" Note broadcast", u" Notiz Broadcast"}, {}},
    {"SchriftWahlBef",     {u"Font", u"Schrift"}, {}},
    // speed, docking, language
    {"LegendePan4",        {u"Ticker speed:", u"Laufband-Geschwindigkeit:"}, {}},
    {"SpeedOpt30",         {u"Default", u"Normal"}, {}},
    {"SpeedOpt15",         {u"Slow", u"Langsam"}, {}},
    {"SpeedOpt5",          {u"Very slow", u"Sehr langsam"}, {}},
    {"DockPosOpt0",        {u"Dock window above", u"Fensterposition oben"}, {}},
    {"DockPosOpt1",        {u"Dock window below", u"Fensterposition unten"}, {}},
    {"OnTopChe",           {u"Always on top", u"Immer im Vordergrund"}, {}},
    {"SpracheOpt1",        {u"English", u"English"}, {}},
    {"SpracheOpt2",        {u"Deutsch", u"Deutsch"}, {}},
    {"ZeigDatumChe",       {u"Display date/time", u"Datum/Uhrzeit anzeigen"}, {}},
    {"ZeigRandChe",        {u"Display margin", u"Rand anzeigen"}, {}},
    // sysop
    {"SysopStatusChe",     {u"Enable sysop mode", u"Sysop-Status aktivieren"}, {}},
    {"LegendePan3",        {u"Password", u"Passwort"}, {}},
    {"AugePan",            {}, {u"Show/hide password", u"Passwort zeigen/verbergen"}},
    {"HilfePan1",          {u"<- What does this mean?", u"<- Was hei\u00DFt das?"}, {}},
    {"AbbrechenPan1",      {u"Close", u"Schlie\u00DFen"}, {}},
    // broadcast
    {"BroadcastStatusChe", {u"Enable broadcast receiver mode",
                            u"Broadcasting-Empf\u00E4nger aktivieren"}, {}},
    {"HilfePan2",          {u"<- What does this mean?", u"<- Was hei\u00DFt das?"}, {}},
    {"AbbrechenPan2",      {u"Close", u"Schlie\u00DFen"}, {}},
    {"LegendePan0",        {u"Path to broadcast dispatcher database pw.kav or web address:",
                            u"Pfad zum Broadcast-Sender pw.kav oder Web-Adresse:"}, {}},
    {"BroadcastPfadPan",   {}, {u"Click to change", u"Zum \u00C4ndern anklicken"}},
    {"WebAdresseBef",      {u"Web\u2026", u"Web\u2026"},
                           {u"Enter a web address (https://\u2026) instead of a file",
                            u"Web-Adresse (https://\u2026) statt einer Datei eingeben"}},
    {"BroadcastSchluesselTex", {}, {u"The broadcaster's public key (minisign), for a web address",
                                    u"\u00D6ffentlicher Schl\u00FCssel des Broadcasters (minisign), "
                                    u"f\u00FCr eine Web-Adresse"}},
    {"LegendePan1",        {u"(set on all connected receivers - NOT on dispatcher)",
                            u"(an allen angeschlossenen Empf\u00E4ngern einstellen - NICHT am "
                            u"Sender)"}, {}},
    {"BroadcastMasterChe", {u"Adopt all other settings of the broadcaster for all receivers",
                            u"\u00DCbrige Einstellungen des Broadcasters f\u00FCr alle "
                            u"Empf\u00E4nger \u00FCbernehmen"}, {}},
    {"LegendePan2",        {u"(set on broadcaster only - overlays settings of connected "
                            u"recievers)",
                            u"(nur am Broadcaster einstellen - \u00FCberlagert angeschlossene "
                            u"Empf\u00E4nger)"}, {}},
    {"EigeneChe",          {u"Receivers may also enter and edit their own notes",
                            u"Empf\u00E4nger d\u00FCrfen auch eigene Notizen verwalten"}, {}},
    // the buttons
    {"StandardBef",        {u"Default values", u"Standardeinstellungen"},
                           {u"Reset to default values", u"Standardwerte wiederherstellen"}},
    {"SpeichernBef",       {u"&Save", u"&Speichern"}, {}},
    {"AbbrechenBef",       {u"C&ancel", u"&Abbrechen"}, {}},
};
// clang-format on

// The text of help pop-up 1 (sysop) or 2 (broadcast): paragraphs with an
// empty line between them, broken with umbruch. The sysop help has a third,
// on what the password does not guard against.
QString HilfeText(int nummer, int16_t sprache, const QString& umbruch);

// What the window says and asks. Questions follow the language the program
// runs in, the rest the one being chosen.
namespace EinstellungenTexte {

inline constexpr Zweisprachig NichtFestgelegt{u"<< Not specified >>", u"<< Nicht festgelegt >>"};
inline constexpr Zweisprachig PfadTitel{u"Set path to broadcaster",
                                        u"Pfad zum Broadcaster festlegen"};
inline constexpr Zweisprachig WebTitel{u"Web address of the broadcast",
                                       u"Web-Adresse des Broadcasts"};
inline constexpr Zweisprachig WebFrage{
    u"Address of the published snapshot (https://server/folder/):",
    u"Adresse des ver\u00F6ffentlichten Schnappschusses (https://server/ordner/):"};
// The colour dialog's title: %1 the caption of the colour button.
inline constexpr Zweisprachig FarbTitel{u"Select %1", u"%1 w\u00E4hlen"};
inline constexpr Zweisprachig SysopNoetig{
    u"Sysop mode required with enabled broadcast mode.",
    u"Sysop-Status muss bei aktiviertem Broadcasting aktiviert sein."};
inline constexpr Zweisprachig NichtGespeichert{
    u"Settings not saved: the database is locked or cannot be reached.",
    u"Einstellungen nicht gespeichert: Datenbank gesperrt oder nicht erreichbar."};

inline constexpr Zweisprachig StandardFrage{u"Really reset to default values?",
                                            u"Standardwerte wirklich wiederherstellen?"};
inline constexpr Zweisprachig SpeichernFrage{u"Save changes?", u"\u00C4nderungen speichern?"};
inline constexpr Zweisprachig LokalerPfadFrage{
    u"Broadcast path has to point at another computer - really set this path?",
    u"Broadcast-Pfad muss auf anderen Computer weisen - diesen Pfad wirklich w\u00E4hlen?"};

} // namespace EinstellungenTexte

} // namespace pinwick
