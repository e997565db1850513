#!/usr/bin/env bash
# Makes the Debian package of a built tree and checks it: lintian with no errors and no warnings,
# and the desktop entry and AppStream metadata as they are installed, with their validators.
# Usage: ci-package.sh BUILD_DIR   (a Release build that has been built)
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:?usage: ci-package.sh BUILD_DIR}")

start=$SECONDS
rm -f "$build"/marulo_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
package=$(ls "$build"/marulo_*.deb)
echo "ci-package: made $(basename "$package") in $((SECONDS - start)) s"

start=$SECONDS
lintian --fail-on error,warning --tag-display-limit 0 "$package"
echo "ci-package: lintian passed in $((SECONDS - start)) s"

tree=$(mktemp -d /tmp/marulo-package-XXXXXX)
trap 'rm -rf "$tree"' EXIT
dpkg-deb -x "$package" "$tree"
desktop-file-validate "$tree/usr/share/applications/marulo.desktop"
appstreamcli validate --no-net "$tree"/usr/share/metainfo/*.metainfo.xml
echo "ci-package: desktop entry and AppStream metadata valid"
