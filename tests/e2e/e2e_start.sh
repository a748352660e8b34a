#!/usr/bin/env bash
# The real program, started as a user starts it: with an empty database next to it
# the contact window appears; with none, the error message appears, the program
# ends with a failure status and creates nothing.
set -u
program=$1
initdb=$2
here=$(cd "$(dirname "$0")" && pwd)
. "$here/xsession.sh"

work=$(mktemp -d)
trap 'stop_x; [ -n "${APP_PID:-}" ] && kill "$APP_PID" 2>/dev/null; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

start_x

# Each case gets the program in a folder of its own, as if installed there.
install_program() {
    mkdir -p "$1"
    cp "$program" "$1/listrano"
}

# 1. An empty database: the contact window shows.
install_program "$work/com-banco"
"$initdb" "$work/com-banco/Quelmar.mdb" || fail "could not create the database"
before=$(sha256sum "$work/com-banco/Quelmar.mdb")
"$work/com-banco/listrano" &
APP_PID=$!
window=$(wait_window "Listrano Eletr" 30) || fail "the contact window did not appear"
geometry=$(xdotool getwindowgeometry "$window" | grep Geometry)
echo "contact window: $geometry"
case "$geometry" in *"507x358"*) ;; *) fail "window size is not 507x358: $geometry" ;; esac
[ "$(sha256sum "$work/com-banco/Quelmar.mdb")" = "$before" ] || fail "opening changed the database"

# Add a contact as a user does: Incluir, type, Salvar; the row is in the file.
eval "$(xdotool getwindowgeometry --shell "$window")"
xdotool windowfocus --sync "$window" 2>/dev/null
xdotool mousemove $((X + 56)) $((Y + 44)) click 1 # Incluir
sleep 0.5
xdotool type --delay 20 "Maria Conceição"
xdotool key Tab
xdotool type --delay 20 "maria@example.com"
[ -n "${E2E_SCREENSHOT:-}" ] && import -window root "$E2E_SCREENSHOT"
xdotool key alt+s # Salvar
row=""
for _ in $(seq 50); do
    row=$(sqlite3 "$work/com-banco/Quelmar.mdb" "SELECT Nome || '|' || Email FROM tblQuelmar")
    [ -n "$row" ] && break
    sleep 0.1
done
[ "$row" = "Maria Conceição|maria@example.com" ] || fail "saved row is '$row'"
echo "saved through the window: $row"
kill "$APP_PID"
wait "$APP_PID" 2>/dev/null
APP_PID=

# 2. No database: the message names the file, and the program fails.
install_program "$work/sem-banco"
"$work/sem-banco/listrano" &
APP_PID=$!
box=$(wait_window "Listrano de Endere" 30) || fail "no error message appeared"
xdotool search --onlyvisible --name "Listrano Eletr" >/dev/null && fail "the contact window was shown"
xdotool windowfocus --sync "$box" 2>/dev/null
xdotool key --clearmodifiers Return
wait_exit "$APP_PID" 20 || fail "the program did not end after the message"
APP_PID=
[ "$EXIT_STATUS" -ne 0 ] || fail "exit status was 0"
[ ! -e "$work/sem-banco/Quelmar.mdb" ] || fail "a database file was created"
[ "$(ls -A "$work/sem-banco")" = "listrano" ] || fail "files were created: $(ls -A "$work/sem-banco")"
echo "exit status without database: $EXIT_STATUS"
