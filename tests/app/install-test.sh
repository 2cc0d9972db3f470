#!/bin/sh
# Installs the build into a scratch root and checks what the desktop needs:
# the programs reachable as bin/oxvell and bin/oxvtool, their folder for the model and the INI
# file, the file type, the menu entry and the icons.
set -eu
build=$1
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
DESTDIR="$root" cmake --install "$build" --prefix /usr >/dev/null
fail() { echo "install-test: $*" >&2; exit 1; }
[ -x "$root/usr/libexec/oxvell/oxvell" ] || fail "program not installed"
[ "$(readlink "$root/usr/bin/oxvell")" = "../libexec/oxvell/oxvell" ] || fail "bin/oxvell is not a link to the program"
[ -x "$root/usr/libexec/oxvell/oxvtool" ] || fail "oxvtool not installed"
[ "$(readlink "$root/usr/bin/oxvtool")" = "../libexec/oxvell/oxvtool" ] || fail "bin/oxvtool is not a link to oxvtool"
"$root/usr/bin/oxvtool" --help >/dev/null || fail "the installed oxvtool does not run"
desktop="$root/usr/share/applications/oxvell.desktop"
grep -qx 'Exec=oxvell %f' "$desktop" || fail "desktop entry does not open files with oxvell %f"
grep -qx 'MimeType=application/x-oxvell;application/vnd.las;' "$desktop" || fail "desktop entry lacks the file types"
mime="$root/usr/share/mime/packages/oxvell.xml"
grep -q '<mime-type type="application/x-oxvell">' "$mime" || fail "no MIME type"
grep -q '<glob pattern="\*.oxv"/>' "$mime" || fail "no *.oxv glob"
grep -q '<glob pattern="\*.las"/>' "$mime" || fail "no *.las glob"
grep -q '<comment>Oxvell.Document</comment>' "$mime" || fail "MIME comment"
[ -s "$root/usr/share/icons/hicolor/48x48/apps/oxvell.png" ] || fail "no program icon"
[ -s "$root/usr/share/icons/hicolor/48x48/mimetypes/application-x-oxvell.png" ] || fail "no file type icon"
if [ -d "$build/bin/model" ]; then
  [ -d "$root/usr/libexec/oxvell/model" ] || fail "model folder not installed beside the program"
fi
echo "install-test: ok"
