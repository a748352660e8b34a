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

# Add two contacts as a user does: Incluir, type (Tab or Enter to move on),
# Salvar; the rows are in the file.
eval "$(xdotool getwindowgeometry --shell "$window")"
xdotool windowfocus --sync "$window" 2>/dev/null
add_contact() {
    xdotool mousemove $((X + 56)) $((Y + 44)) click 1 # Incluir
    sleep 0.4
    # Accented letters are typed through a key xdotool maps for the moment; a
    # longer pause lets the program see the new map before the key comes.
    xdotool type --delay 40 "$1"
    xdotool key "$2"
    xdotool type --delay 15 "$3"
    xdotool key alt+s # Salvar
    sleep 0.4
}
add_contact "Maria Conceição" Tab "maria@example.com"
add_contact "João Batista" Return "joao@example.com"
stored() { sqlite3 "$work/com-banco/Quelmar.mdb" "SELECT Nome || '|' || Email FROM tblQuelmar ORDER BY rowid" | tr '\n' ';'; }
# wait_rows EXPECTED: the rows in the file, once they are as expected or 10 s on.
wait_rows() {
    local deadline=$((SECONDS + 10))
    rows=$(stored)
    while [ "$rows" != "$1" ] && [ $SECONDS -lt $deadline ]; do
        sleep 0.2
        rows=$(stored)
    done
}
wait_rows "Maria Conceição|maria@example.com;João Batista|joao@example.com;"
[ "$rows" = "Maria Conceição|maria@example.com;João Batista|joao@example.com;" ] ||
    fail "saved rows are '$rows'"
echo "saved through the window: $rows"

# lookup_and_change TYPED KEYS EMAIL ROWS WHAT: Consultar, TYPED into the list,
# KEYS to leave it, Modificar, a new e-mail, Salvar; the file then holds ROWS.
lookup_and_change() {
    xdotool key alt+u # Consultar
    sleep 0.4
    xdotool type --delay 30 "$1"
    xdotool key $2
    sleep 0.5
    [ -n "${E2E_SCREENSHOT:-}" ] && import -window root "$E2E_SCREENSHOT"
    xdotool key alt+m # Modificar: the focus goes to the name
    sleep 0.3
    xdotool key Return ctrl+a
    xdotool type --delay 15 "$3"
    xdotool key alt+s
    wait_rows "$4"
    [ "$rows" = "$4" ] || fail "$5: the rows are '$rows'"
    echo "$5: $rows"
}

# Maria looked up by part of her name: the change lands on her row.
lookup_and_change "mar" Return "maria.nova@example.com" \
    "Maria Conceição|maria.nova@example.com;João Batista|joao@example.com;" \
    "looked up and changed"

# Two contacts of the same name, the first with an eleven-digit mobile typed
# field after field: it is stored whole.
xdotool mousemove $((X + 56)) $((Y + 44)) click 1 # Incluir
sleep 0.4
xdotool type --delay 15 "Ana Souza"
xdotool key Return
xdotool type --delay 15 "ana1@example.com"
xdotool key Return Return Return Return Return # to the personal mobile
xdotool type --delay 15 "11987654321"
xdotool key alt+s
sleep 0.4
add_contact "Ana Souza" Return "ana2@example.com"
mobile() { sqlite3 "$work/com-banco/Quelmar.mdb" "SELECT CelularPessoal FROM tblQuelmar WHERE Email = 'ana1@example.com'"; }
deadline=$((SECONDS + 10))
while [ "$(mobile)" != "(11) 98765-4321" ] && [ $SECONDS -lt $deadline ]; do sleep 0.2; done
[ "$(mobile)" = "(11) 98765-4321" ] || fail "the mobile number was stored as '$(mobile)'"
echo "eleven-digit mobile stored: $(mobile)"

# The second of the two equal names, picked in the list, is the row changed.
lookup_and_change "ana" "Down Return" "ana.segunda@example.com" \
    "Maria Conceição|maria.nova@example.com;João Batista|joao@example.com;Ana Souza|ana1@example.com;Ana Souza|ana.segunda@example.com;" \
    "second of two equal names changed"

# A second lookup typed straight after Consultar replaces the name the list
# holds from the lookup before.
lookup_and_change "jo" Return "joao.novo@example.com" \
    "Maria Conceição|maria.nova@example.com;João Batista|joao.novo@example.com;Ana Souza|ana1@example.com;Ana Souza|ana.segunda@example.com;" \
    "second lookup typed at once"
# The first Ana's eleven-digit mobile replaced, select-all, by a ten-digit
# number: stored in the design's shape.
xdotool key alt+u
sleep 0.4
xdotool type --delay 30 "ana"
xdotool key Return
sleep 0.5
xdotool key alt+m
sleep 0.3
xdotool key Return Return Return Return Return Return ctrl+a # to the personal mobile
xdotool type --delay 15 "1133334444"
xdotool key alt+s
deadline=$((SECONDS + 10))
while [ "$(mobile)" != "(11) 3333-4444" ] && [ $SECONDS -lt $deadline ]; do sleep 0.2; done
[ "$(mobile)" = "(11) 3333-4444" ] || fail "the mobile replaced by ten digits is '$(mobile)'"
echo "eleven digits replaced by ten: $(mobile)"

# João on show, a second lookup given up with Escape: Modificar acts on João.
xdotool key alt+u
sleep 0.4
xdotool type --delay 30 "jo"
xdotool key Return
sleep 0.5
lookup_and_change "ma" Escape "joao.escape@example.com" \
    "Maria Conceição|maria.nova@example.com;João Batista|joao.escape@example.com;Ana Souza|ana1@example.com;Ana Souza|ana.segunda@example.com;" \
    "lookup given up with Escape"

# A name typed without its accents finds the stored spelling.
lookup_and_change "maria conceicao" Return "maria.sem.acento@example.com" \
    "Maria Conceição|maria.sem.acento@example.com;João Batista|joao.escape@example.com;Ana Souza|ana1@example.com;Ana Souza|ana.segunda@example.com;" \
    "typed without accents"
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

# 3. The command line: answers without a window, a wrong option is refused with
# status 2, and --database to a missing file is reported like a missing book.
"$program" --version | grep -q "^listrano [0-9]" || fail "--version"
"$program" --help | grep -q -- "--database CAMINHO" || fail "--help"
"$program" --nada 2>/dev/null
[ $? -eq 2 ] || fail "an unknown option did not give status 2"
missing="$work/outro/Contatos.mdb"
mkdir -p "$work/outro"
"$work/sem-banco/listrano" --database "$missing" &
APP_PID=$!
box=$(wait_window "Listrano de Endere" 30) || fail "no message for --database to a missing file"
xdotool windowfocus --sync "$box" 2>/dev/null
xdotool key --clearmodifiers Return
wait_exit "$APP_PID" 20 || fail "the program did not end after the message"
APP_PID=
[ "$EXIT_STATUS" -eq 1 ] || fail "--database to a missing file: status $EXIT_STATUS"
[ ! -e "$missing" ] || fail "--database created a file"
echo "command line: --version, --help, unknown option (2), --database missing (1)"
