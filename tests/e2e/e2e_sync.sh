#!/usr/bin/env bash
# Synchronisation as a user meets it, against a CardDAV server of the test's
# own: the account typed into the settings dialog and a first sync from there
# bring the server's contact into the book; then, in the contact window, the
# background sync brings in a card added on the server meanwhile and sends
# a contact added through the window. Screenshots go into the work folder,
# kept when E2E_KEEP is set.
set -u
program=$1
initdb=$2
here=$(cd "$(dirname "$0")" && pwd)
. "$here/xsession.sh"

fail() { echo "FAIL: $*" >&2; exit 1; }
if ! /usr/bin/python3 -c "import radicale" 2>/dev/null; then
    [ "${CI:-}" = "true" ] && fail "python3-radicale is not installed"
    echo "SKIP: python3-radicale is not installed"
    exit 77
fi

for tool in curl sqlite3; do
    command -v "$tool" >/dev/null || fail "$tool is not installed"
done

work=$(mktemp -d)
cleanup() {
    [ -n "${APP_PID:-}" ] && kill "$APP_PID" 2>/dev/null && wait "$APP_PID" 2>/dev/null
    [ -n "${SERVER_PID:-}" ] && kill "$SERVER_PID" 2>/dev/null && wait "$SERVER_PID" 2>/dev/null
    stop_x
    if [ -n "${E2E_KEEP:-}" ]; then echo "kept: $work"; else rm -rf "$work"; fi
}
trap cleanup EXIT

# The program sees a user of its own, with no keyring answering.
export HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data"
mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_DATA_HOME"
unset DBUS_SESSION_BUS_ADDRESS

# The server: one user, password in the clear, an address book with one card.
user=ana
password=segredo-e2e
port=$(/usr/bin/python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
server="http://127.0.0.1:$port/"
printf '%s:%s\n' "$user" "$password" >"$work/users"
cat >"$work/radicale.conf" <<EOF
[server]
hosts = 127.0.0.1:$port
[auth]
type = htpasswd
htpasswd_filename = $work/users
htpasswd_encryption = plain
delay = 0
[storage]
filesystem_folder = $work/collections
[rights]
type = owner_only
[web]
type = none
[logging]
level = warning
EOF
/usr/bin/python3 -m radicale --config "$work/radicale.conf" >"$work/radicale.log" 2>&1 &
SERVER_PID=$!
dav() { curl -s -u "$user:$password" "$@"; }
deadline=$((SECONDS + 15))
until dav -o /dev/null "$server"; do
    kill -0 "$SERVER_PID" 2>/dev/null || fail "the server ended: $(cat "$work/radicale.log")"
    [ $SECONDS -lt $deadline ] || fail "the server did not answer"
    sleep 0.2
done
book_url="${server}$user/contatos/"
status=$(dav -o /dev/null -w '%{http_code}' -X MKCOL -H 'Content-Type: application/xml' \
    --data-binary '<?xml version="1.0"?><mkcol xmlns="DAV:" xmlns:C="urn:ietf:params:xml:ns:carddav"><set><prop><resourcetype><collection/><C:addressbook/></resourcetype><displayname>Contatos</displayname></prop></set></mkcol>' \
    "$book_url")
[ "$status" = 201 ] || fail "MKCOL answered $status"
# put_card UID NAME GIVEN FAMILY EMAIL: a card as a phone writes it.
put_card() {
    local status
    status=$(printf 'BEGIN:VCARD\r\nVERSION:3.0\r\nUID:%s\r\nFN:%s\r\nN:%s;%s;;;\r\nEMAIL;TYPE=INTERNET:%s\r\nEND:VCARD\r\n' \
        "$1" "$2" "$4" "$3" "$5" |
        dav -o /dev/null -w '%{http_code}' -X PUT -H 'Content-Type: text/vcard; charset=utf-8' \
            --data-binary @- "$book_url$1.vcf")
    [ "$status" = 201 ] || fail "PUT of $2 answered $status"
}
put_card e2e-carla "Carla Mendes" Carla Mendes carla@example.com

# names_in_book: the contacts' names, one a line, sorted.
db="$work/Contatos.mdb"
"$initdb" "$db" || fail "could not create the database"
names_in_book() { sqlite3 "$db" "SELECT Nome FROM tblQuelmar ORDER BY Nome" 2>/dev/null; }
# wait_name NAME SECONDS: true once the book holds NAME.
wait_name() {
    local deadline=$((SECONDS + $2))
    until names_in_book | grep -qx "$1"; do
        [ $SECONDS -lt $deadline ] || return 1
        sleep 0.3
    done
}

start_x
started=$SECONDS

# 1. The settings dialog: address, user, password (not kept in a keyring),
# Testar, Sincronizar agora.
"$program" --database "$db" --sync-dialog &
APP_PID=$!
dialog=$(wait_window "^Sincroniza" 30) || fail "the sync dialog did not appear"
xdotool windowfocus --sync "$dialog" 2>/dev/null
sleep 0.5
xdotool type --delay 15 "$server"
xdotool key Tab
xdotool type --delay 15 "$user"
xdotool key Tab
xdotool type --delay 15 "$password"
xdotool key Tab space # Lembrar a senha, off
xdotool key Tab space # Testar
# Sincronizar agora is the dialog's default button, enabled once Testar has
# found the book: Return is pressed again until the sync has brought the contact.
deadline=$((SECONDS + 60))
until names_in_book | grep -qx "Carla Mendes"; do
    [ $SECONDS -lt $deadline ] ||
        fail "the dialog's sync did not bring the server's contact; the book holds '$(names_in_book | tr '\n' ';')'"
    sleep 2
    xdotool key Return
done
import -window root "$work/testado.png" 2>/dev/null
echo "dialog sync: the book holds '$(names_in_book | tr '\n' ';')' after $((SECONDS - started)) s"
sleep 0.5
import -window root "$work/dialogo.png" 2>/dev/null
xdotool key alt+f # Fechar
wait_exit "$APP_PID" 20 || fail "the dialog did not close"
APP_PID=
[ "$EXIT_STATUS" -eq 0 ] || fail "the dialog ended with status $EXIT_STATUS"

# 2. The contact window, its password from a password command: a card added on
# the server meanwhile comes in, a contact added in the window goes out.
account=$(sqlite3 -separator $'\t' "$db" "SELECT serverUrl, userName FROM lstSyncAccount")
[ -n "$account" ] || fail "the dialog left the book without an account"
IFS=$'\t' read -r account_url account_user <<<"$account"
mkdir -p "$XDG_CONFIG_HOME/listrano"
printf '{ "%s@%s": { "passwordCommand": "echo %s" } }\n' "$account_user" "$account_url" "$password" \
    >"$XDG_CONFIG_HOME/listrano/sincronizacao.json"
put_card e2e-davi "Davi Rocha" Davi Rocha davi@example.com
"$program" --database "$db" &
APP_PID=$!
window=$(wait_window "Listrano Eletr" 30) || fail "the contact window did not appear"
wait_name "Davi Rocha" 30 || fail "the background sync did not bring the server's new card; the book holds '$(names_in_book | tr '\n' ';')'"
echo "background sync: the book holds '$(names_in_book | tr '\n' ';')'"
eval "$(xdotool getwindowgeometry --shell "$window")"
xdotool windowfocus --sync "$window" 2>/dev/null
sleep 0.5
xdotool mousemove $((X + 56)) $((Y + 44)) click 1 # Incluir
sleep 0.4
xdotool type --delay 15 "Elisa Prado"
xdotool key Tab
xdotool type --delay 15 "elisa@example.com"
xdotool key alt+s # Salvar
wait_name "Elisa Prado" 10 || fail "the contact typed in the window was not saved"
saved=$SECONDS
on_server() {
    dav -X REPORT -H 'Depth: 1' -H 'Content-Type: application/xml' \
        --data-binary '<?xml version="1.0"?><C:addressbook-query xmlns:D="DAV:" xmlns:C="urn:ietf:params:xml:ns:carddav"><D:prop><C:address-data/></D:prop></C:addressbook-query>' \
        "$book_url"
}
until on_server | grep -q "FN:Elisa Prado"; do
    [ $((SECONDS - saved)) -lt 15 ] || fail "the contact saved in the window did not reach the server in 15 s"
    sleep 0.5
done
echo "sent: Elisa Prado on the server $((SECONDS - saved)) s after Salvar"
import -window root "$work/janela.png" 2>/dev/null
echo "all done in $((SECONDS - started)) s"
