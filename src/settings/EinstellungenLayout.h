#pragma once
// Where the controls of the settings window and of the password prompt sit,
// as tables in twips to be read against the windows: each control by its
// object name, in the group panel it sits in, with its rectangle inside
// that. What moves with the settings (the miniature's panels) or with its
// text (the help pop-ups) is placed by its rules, not here.

#include <QRect>
#include <cstddef>
#include <string_view>

namespace pinwick {

struct Platz {
    const char* name;   // the control's object name
    const char* gruppe; // object name of the group panel it sits in; "" the window
    QRect twips;        // inside the group (or the window)
};

// clang-format off
inline constexpr Platz EinstellungenPlaetze[] = {
    // name                 group          left   top  width height
    {"MiniaturRahmen",      "",          {  120,  120, 7950, 1470}},
    {"HinweisPan",          "",          {  120, 1650, 7950,  285}},
    {"FarbWahlBef1",        "",          {  120, 2010, 3900,  375}},
    {"FarbWahlBef2",        "",          { 4170, 2010, 3900,  375}},
    {"FarbWahlBef3",        "",          {  120, 2445, 3900,  375}},
    {"SchriftWahlBef",      "",          { 4170, 2445, 3900,  375}},

    // sysop
    {"zzzPanel1",           "",          {  120, 2940, 7950,  870}},
    {"SysopStatusChe",      "zzzPanel1", {  120,   90, 3540,  285}},
    {"HilfePan1",           "zzzPanel1", { 3720,   90, 2600,  285}},
    {"LegendePan3",         "zzzPanel1", {  120,  465, 1200,  315}},
    {"PasswortTex",         "zzzPanel1", { 1380,  465, 3300,  315}},
    {"AugePan",             "zzzPanel1", { 4770,  465,  480,  315}},

    // broadcast
    {"zzzPanel2",           "",          {  120, 3900, 7950, 2280}},
    {"BroadcastStatusChe",  "zzzPanel2", {  120,   90, 3540,  285}},
    {"HilfePan2",           "zzzPanel2", { 3720,   90, 2600,  285}},
    {"LegendePan0",         "zzzPanel2", {  120,  420, 7710,  255}},
    {"BroadcastPfadPan",    "zzzPanel2", {  120,  690, 3930,  315}},
    {"WebAdresseBef",       "zzzPanel2", { 4110,  690,  660,  315}},
    {"BroadcastSchluesselTex", "zzzPanel2", { 4830, 690, 3000,  315}},
    {"LegendePan1",         "zzzPanel2", {  120, 1035, 7710,  255}},
    {"BroadcastMasterChe",  "zzzPanel2", {  120, 1335, 7710,  285}},
    {"LegendePan2",         "zzzPanel2", {  390, 1605, 7440,  255}},
    {"EigeneChe",           "zzzPanel2", {  120, 1905, 7710,  285}},

    // speed, docking and language: three columns
    {"zzzPanel0",           "",          {  120, 6270, 7950, 1350}},
    {"LegendePan4",         "zzzPanel0", {  120,   90, 2400,  255}},
    {"SpeedOpt30",          "zzzPanel0", {  120,  375, 2450,  255}},
    {"SpeedOpt15",          "zzzPanel0", {  120,  660, 2450,  255}},
    {"SpeedOpt5",           "zzzPanel0", {  120,  945, 2450,  255}},
    {"DockPosOpt0",         "zzzPanel0", { 2700,   90, 2450,  255}},
    {"DockPosOpt1",         "zzzPanel0", { 2700,  375, 2450,  255}},
    {"OnTopChe",            "zzzPanel0", { 2700,  660, 2450,  255}},
    {"SpracheOpt1",         "zzzPanel0", { 5400,   90, 2450,  255}},
    {"SpracheOpt2",         "zzzPanel0", { 5400,  375, 2450,  255}},
    {"ZeigDatumChe",        "zzzPanel0", { 5400,  660, 2450,  255}},
    {"ZeigRandChe",         "zzzPanel0", { 5400,  945, 2450,  255}},

    {"MeldungPan",          "",          {  120, 7710, 7950,  285}},
    {"StandardBef",         "",          {  120, 8130, 2700,  390}},
    {"AbbrechenBef",        "",          { 4170, 8130, 1890,  390}},
    {"SpeichernBef",        "",          { 6180, 8130, 1890,  390}},
};

inline constexpr Platz PassTestPlaetze[] = {
    // name                 group  left   top  width height
    {"TitelPan",            "",  {  120,  120, 5655,  495}},
    {"LichtIma1",           "",  {  120,  690,  480,  480}},
    {"LichtIma2",           "",  { 5295,  690,  480,  480}},
    // The prompt text ends right before the entry.
    {"zzPanel",             "",  {  660,  780, 1860,  315}},
    {"Pa\xC3\x9F" "Text",   "",  { 2580,  780, 1935,  315}}, // "PaßText" in UTF-8
    {"MeldungPan",          "",  {  120, 1260, 5655,  285}},
    {"AbbrechenBef",        "",  {  120, 1650, 2790,  345}},
    {"OkBef",               "",  { 2985, 1650, 2790,  345}},
};
// clang-format on

// The speed options from top to bottom (SpeedOpt30, SpeedOpt15, SpeedOpt5).
inline constexpr int Geschwindigkeiten[3] = {30, 15, 5};

// The miniature: its width, and that of the date and clock panel in it.
inline constexpr int MiniaturBreite = 7950;
inline constexpr int DatumBreite = 1980;

inline constexpr Platz KeinPlatz{"", "", {}};

// The entry of a table for an object name; KeinPlatz where there is none.
template <std::size_t N>
constexpr const Platz& PlatzVon(const Platz (&tabelle)[N], std::string_view name) {
    for (const Platz& platz : tabelle)
        if (name == platz.name)
            return platz;
    return KeinPlatz;
}

} // namespace pinwick
