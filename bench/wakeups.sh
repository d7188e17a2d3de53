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
# The standing bar should stay at or below 2 wake-ups a second and 0.05 % of
# a core; see docs/SCROLLING.md for the figures measured.
set -u
APP=${1:-build/app}
SECS=${2:-30}
ROUNDS=${3:-1}
hier=$(dirname "$0")
for fall in "standing, clock shown:kurz:an" "standing, clock hidden:kurz:aus" "scrolling, clock shown:lang:an"; do
    name=${fall%%:*}
    rest=${fall#*:}
    text=${rest%%:*}
    uhr=${rest#*:}
    aus=$("$hier/scroll_cpu.sh" "$APP" "$SECS" "$ROUNDS" "$text" "$uhr") || exit 1
    echo "$aus" | grep -E '^(round|  )' | sed "s/^round/$name, round/"
    echo "$name: $(echo "$aus" | tail -n 1 | sed 's/^median: //')"
done
