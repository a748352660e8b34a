#!/usr/bin/env bash
# Installs into a folder of the test's own and checks what lands there: the
# programs (the Access reader among the program's own), the desktop entry and metainfo (validated), the icons and the manual
# pages.
set -u
build=$1
fail() { echo "FAIL: $*" >&2; exit 1; }
for tool in desktop-file-validate appstreamcli; do
    command -v "$tool" >/dev/null || fail "$tool is not installed"
done
dest=$(mktemp -d)
trap 'rm -rf "$dest"' EXIT

DESTDIR="$dest" cmake --install "$build" --prefix /usr >/dev/null || fail "cmake --install failed"
id=io.github.listrano.Listrano
expected="usr/bin/listrano
usr/bin/listrano-initdb
usr/libexec/listrano/listrano-access-reader
usr/share/applications/$id.desktop
usr/share/doc/listrano/changelog.gz
usr/share/doc/listrano/copyright
usr/share/icons/hicolor/128x128/apps/$id.png
usr/share/icons/hicolor/256x256/apps/$id.png
usr/share/icons/hicolor/48x48/apps/$id.png
usr/share/icons/hicolor/scalable/apps/$id.svg
usr/share/man/man1/listrano-initdb.1.gz
usr/share/man/man1/listrano.1.gz
usr/share/metainfo/$id.metainfo.xml"
landed=$(cd "$dest" && find . -type f | sed 's|^\./||' | sort)
[ "$landed" = "$expected" ] || fail "installed files differ:
$(diff <(echo "$expected") <(echo "$landed"))"

[ -x "$dest/usr/bin/listrano" ] || fail "listrano is not executable"
"$dest/usr/bin/listrano" --version | grep -q '^listrano [0-9]' || fail "listrano --version"
reader="$dest/usr/libexec/listrano/listrano-access-reader"
[ -x "$reader" ] || fail "listrano-access-reader is not executable"
"$reader" 2>&1 </dev/null | grep -q '^uso:' || fail "listrano-access-reader without arguments"
desktop-file-validate "$dest/usr/share/applications/$id.desktop" || fail "desktop entry"
appstreamcli validate --no-net "$dest/usr/share/metainfo/$id.metainfo.xml" >/dev/null ||
    fail "metainfo: $(appstreamcli validate --no-net "$dest/usr/share/metainfo/$id.metainfo.xml")"
for size in 48 128 256; do
    file "$dest/usr/share/icons/hicolor/${size}x${size}/apps/$id.png" |
        grep -q "$size x $size" || fail "the ${size} px icon"
done
for page in listrano listrano-initdb; do
    zcat "$dest/usr/share/man/man1/$page.1.gz" | grep -q '^\.TH LISTRANO' || fail "$page.1"
    if command -v groff >/dev/null; then
        warnings=$(zcat "$dest/usr/share/man/man1/$page.1.gz" | groff -k -man -ww -z -Tutf8 2>&1)
        [ -z "$warnings" ] || fail "$page.1: $warnings"
    fi
done
echo "installed and checked: $(echo "$landed" | wc -l) files"
