#!/bin/sh
# Installs what is missing, builds, and starts the ticker from its working folder.
set -e
cd "$(dirname "$0")"
./scripts/install-deps.sh
# The programs, the template and the help pages; the tests are test.sh's.
./scripts/build.sh Pinwick3 pwi vorlage
cd build/app
exec ./Pinwick3
