#!/bin/sh
# Each program given must load Qt Core and neither Qt Gui nor Qt Widgets.
fehler=0
for programm in "$@"; do
    bibliotheken=$(ldd "$programm") || { echo "ldd failed on $programm"; exit 1; }
    if ! echo "$bibliotheken" | grep -q 'libQt6Core'; then
        echo "$programm: does not load Qt Core (not a Qt program?)"; fehler=1
    fi
    if echo "$bibliotheken" | grep -E 'libQt6(Gui|Widgets)'; then
        echo "$programm: loads a window library"; fehler=1
    fi
done
exit $fehler
