#!/usr/bin/env bash
# Wake-ups and processor time of the running ticker in its three everyday
# states, one after the other: a short note standing still with date and
# clock shown, the same with them hidden, and a long note scrolling. Each is
# bench/scroll_cpu.sh (fresh Xvfb and program, 8 s start, then SECS seconds
# measured); its rounds and their medians are printed per state.
#
# Usage (from the project root, after ./scripts/build.sh Pinwick3 vorlage):
#   bench/wakeups.sh [APP_DIR=build/app] [SECS=30] [ROUNDS=1]
# BUS=an (a session bus, as on a desktop) or BUS=zugang (the same with the
# accessibility bridge on) and PERTHREAD=1 (wake-ups per thread) are passed
# on to scroll_cpu.sh.
# STAENDE=bewegung measures instead the states in which the reader or the
# desktop holds twenty notes still (several pages of them), against the
# standing short note: the pointer resting on the band, the band stopped
# (pages turned by hand), and the desktop asking for less motion (pages
# turning by themselves); each with date and clock shown. STAENDE=alle
# measures both sets. STAENDE=feeds measures the standing short note with
# date and clock shown without feeds and then with two local feeds of two
# short items each (so the band still stands), fetched at the normal
# interval (FEEDS=an of scroll_cpu.sh; needs pinwick-notes built): between
# its polls the fetching must sleep, so the two should hardly differ.
# The standing bar should stay at or below 2 wake-ups a second and 0.05 % of
# a core, and a band held still should sleep like it; see docs/SCROLLING.md
# for the figures measured.
set -u
APP=${1:-build/app}
SECS=${2:-30}
ROUNDS=${3:-1}
hier=$(dirname "$0")
alltag=("standing, clock shown:kurz:an:laufend" "standing, clock hidden:kurz:aus:laufend"
        "scrolling, clock shown:lang:an:laufend")
bewegung=("standing, clock shown:kurz:an:laufend" "pointer on the band:viele:an:zeiger"
          "stopped, pages by hand:viele:an:angehalten" "less motion, pages turning:viele:an:weniger")
case "${STAENDE:-alltag}" in
alltag) faelle=("${alltag[@]}") ;;
bewegung) faelle=("${bewegung[@]}") ;;
alle) faelle=("${alltag[@]}" "${bewegung[@]:1}") ;;
feeds) faelle=("standing, no feeds:kurz:an:laufend:aus" "standing, two feeds:kurz:an:laufend:an") ;;
*) echo "STAENDE: alltag, bewegung, alle or feeds" >&2; exit 2 ;;
esac
for fall in "${faelle[@]}"; do
    IFS=: read -r name text uhr art feeds <<< "$fall"
    aus=$(BEWEGUNG="$art" FEEDS="${feeds:-aus}" "$hier/scroll_cpu.sh" "$APP" "$SECS" "$ROUNDS" "$text" "$uhr") || exit 1
    echo "$aus" | grep -E '^(round|  |feed requests)' | sed "s/^round/$name, round/"
    echo "$name: $(echo "$aus" | tail -n 1 | sed 's/^median: //')"
done
