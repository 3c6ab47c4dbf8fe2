#!/bin/sh
# Installs the Debian packages the build and the test suite need, when one is
# missing: the compiler, CMake, Ninja, GoogleTest and groff (the manual pages
# are checked with it). Run by `make test` before the builds. Without root
# (and without sudo) it only names what is missing and leaves the builds to
# report it.
#
# A new dependency is one more line in PACKAGES: "package:file-that-shows-it".
set -eu

PACKAGES="
g++:/usr/bin/g++
cmake:/usr/bin/cmake
ninja-build:/usr/bin/ninja
libgtest-dev:/usr/include/gtest/gtest.h
groff-base:/usr/bin/groff
"

missing=""
for entry in $PACKAGES; do
    package=${entry%%:*}
    file=${entry#*:}
    [ -e "$file" ] || missing="$missing $package"
done
[ -n "$missing" ] || exit 0

if [ "$(id -u)" -eq 0 ]; then
    run=""
elif command -v sudo >/dev/null 2>&1 && sudo -n true 2>/dev/null; then
    run="sudo -n"
else
    echo "install_test_deps: missing$missing; not root, so not installing them" >&2
    exit 0
fi
echo "install_test_deps: installing$missing"
$run apt-get update
# shellcheck disable=SC2086
DEBIAN_FRONTEND=noninteractive $run apt-get install -y --no-install-recommends $missing
