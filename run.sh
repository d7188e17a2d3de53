#!/bin/sh
# Installs what is missing, builds, and starts the ticker from its working folder.
set -e
cd "$(dirname "$0")"
./scripts/install-deps.sh
./scripts/build.sh
cd build/app
exec ./Pinwick3
