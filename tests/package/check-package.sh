#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package as a release would and checks it as distributions
# do: lintian with no error and no warning, the AppStream data and the menu
# entry valid, stripped programs, compressed manual pages for both programs.
#   check-package.sh BUILD_FOLDER
set -euo pipefail

build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cpack --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.log" 2>&1 || { cat "$work/cpack.log"; exit 1; }
package=$(ls "$work"/velmora_*.deb)

lintian --fail-on error,warning "$package"

dpkg-deb -x "$package" "$work/root"
appstreamcli validate --no-net "$work"/root/usr/share/metainfo/*.metainfo.xml
desktop-file-validate "$work/root/usr/share/applications/velmora.desktop"
for page in velmora velmora-cli; do
    test -s "$work/root/usr/share/man/man1/$page.1.gz" || { echo "no manual page for $page"; exit 1; }
done
for size in 16 32 48 64 128 256; do
    test -s "$work/root/usr/share/icons/hicolor/${size}x${size}/apps/velmora.png" || { echo "no ${size} px icon"; exit 1; }
done
test -s "$work/root/usr/share/icons/hicolor/scalable/apps/velmora.svg"
grep -q '^License: GPL-3+' "$work/root/usr/share/doc/velmora/copyright"
echo "the package passes lintian, AppStream and desktop-entry checks"
