#!/usr/bin/env bash
# The Debian package as a user gets it: built, installed with apt-get (so that its
# dependencies are checked for real), then run by an ordinary user with an empty
# home under an X server of the test's own: the contact window comes up, the
# user's own book appears in their data folder (owner-only), a contact added is
# in it. The package and the user are removed again. Installs software, so it
# runs only where CI runs it (CI=true, as root); anywhere else it is skipped.
set -u
build=$1
here=$(cd "$(dirname "$0")" && pwd)
if [ "${CI:-}" != "true" ] || [ "$(id -u)" -ne 0 ]; then
    echo "SKIP: installs a package; runs only in CI (CI=true, as root)"
    exit 77
fi
. "$here/xsession.sh"
fail() { echo "FAIL: $*" >&2; exit 1; }

user=listrano-e2e-$$
preinstalled=$(dpkg-query -W -f='${Status}' listrano 2>/dev/null | grep -c 'ok installed')
cleanup() {
    pkill -u "$user" -x listrano 2>/dev/null
    stop_x
    userdel -r "$user" 2>/dev/null
    [ "$preinstalled" = 0 ] && DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq listrano >/dev/null 2>&1
    return 0
}
trap cleanup EXIT

(cd "$build" && rm -f listrano_*.deb && cpack -G DEB >/dev/null) || fail "cpack failed"
deb=$(ls "$build"/listrano_*.deb) || fail "no package was made"
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$deb" >/dev/null || fail "apt-get install failed"
[ -x /usr/bin/listrano ] || fail "the program did not land in /usr/bin"

useradd -m -s /bin/sh "$user" || fail "could not add a user"
home=$(getent passwd "$user" | cut -d: -f6)
start_x
su "$user" -c "cd && DISPLAY=$DISPLAY LC_ALL=C.UTF-8 listrano >/dev/null 2>&1 &"

# The first start makes the user's book and says so.
box=$(wait_window "Listrano de Endere" 30) || fail "no message about the new book"
book="$home/.local/share/listrano/Quelmar.mdb"
[ -f "$book" ] || fail "no book at $book"
[ "$(stat -c %a "$book")" = 600 ] || fail "the book is $(stat -c %a "$book"), not 600"
[ "$(stat -c %a "$(dirname "$book")")" = 700 ] || fail "its folder is not 700"
[ "$(stat -c %U "$book")" = "$user" ] || fail "the book is not the user's"
xdotool windowfocus --sync "$box" 2>/dev/null
xdotool key Return
window=$(wait_window "Listrano Eletr" 30) || fail "the contact window did not appear"
eval "$(xdotool getwindowgeometry --shell "$window")"
xdotool windowfocus --sync "$window" 2>/dev/null
xdotool mousemove $((X + 56)) $((Y + 44)) click 1 # Incluir
sleep 0.4
xdotool type --delay 15 "Contato Instalado"
xdotool key alt+s
deadline=$((SECONDS + 10))
names() { sqlite3 "$book" "SELECT Nome FROM tblQuelmar"; }
while [ "$(names)" != "Contato Instalado" ] && [ $SECONDS -lt $deadline ]; do sleep 0.2; done
[ "$(names)" = "Contato Instalado" ] || fail "the book holds '$(names)'"

# The menu entry offers import and export; an old Access file comes in through the
# library the package depends on, while the window is open.
grep -q '^Exec=listrano --import-dialog$' /usr/share/applications/io.github.listrano.Listrano.desktop ||
    fail "the menu entry has no import action"
access="$here/../../../shared/testdata/access/nwind.mdb"
[ -f "$access" ] || access=/work/shared/testdata/access/nwind.mdb
if [ -f "$access" ]; then
    install -o "$user" -m 600 "$access" "$home/antigo.mdb"
    said=$(su "$user" -c "cd && listrano --import antigo.mdb --table Customers") ||
        fail "the Access import failed: $said"
    case $said in "91 contatos importados"*) ;; *) fail "the Access import said: $said" ;; esac
fi
echo "installed, run as $user, contact saved in $book"
