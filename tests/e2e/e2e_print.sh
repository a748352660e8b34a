#!/usr/bin/env bash
# The real program prints a contact's card on a real CUPS queue: the test runs a
# scheduler of its own with a queue whose printer writes PDF files, types a
# contact into the window, prints it with Imprimir and reads the card back from
# the PDF file the queue wrote.
set -u
program=$1
initdb=$2
here=$(cd "$(dirname "$0")" && pwd)
. "$here/xsession.sh"

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

name="Maria Conceição"
email="maria.conceicao@example.com"
queue=ListranoPDF

# Everything the test starts or creates, undone on every way out.
work=$(mktemp -d /tmp/listrano-e2e-print.XXXXXX) || fail "no temporary folder"
# cups-pdf reads the configuration of the instance named in the device URI from
# /etc/cups; the name is ours alone, and the file goes with the test.
instance="listranoe2e$$"
pdfconf="/etc/cups/cups-pdf-$instance.conf"
cleanup() {
    [ -n "${APP_PID:-}" ] && kill "$APP_PID" 2>/dev/null && wait "$APP_PID" 2>/dev/null
    stop_x
    if [ -n "${CUPSD_PID:-}" ]; then
        kill "$CUPSD_PID" 2>/dev/null
        wait "$CUPSD_PID" 2>/dev/null
    fi
    [ -n "${PDFCONF_OURS:-}" ] && rm -f "$pdfconf"
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM HUP

# What the test needs, each missing piece named.
PATH=$PATH:/usr/sbin:/sbin
for tool in cupsd lpadmin lpstat pdftotext pdfinfo; do
    command -v "$tool" >/dev/null || fail "$tool is not installed (cups, cups-bsd, poppler-utils)"
done
backend=/usr/lib/cups/backend/cups-pdf
ppd=/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd
[ -x "$backend" ] || fail "$backend is missing (printer-driver-cups-pdf)"
[ -r "$ppd" ] || fail "$ppd is missing (printer-driver-cups-pdf)"
if [ "$(id -u)" -ne 0 ]; then
    echo "SKIP: must run as root (as CI does): cupsd starts the cups-pdf backend only as root" >&2
    exit 77
fi
[ -d /etc/cups ] || fail "/etc/cups is missing (cups)"
[ ! -e "$pdfconf" ] || fail "$pdfconf already exists"

# 1. A scheduler of our own: its own configuration, spool, logs and socket. Its
# filters run as lp, which must reach the folders.
chmod 755 "$work"
cups=$work/cups
sock=$cups/cups.sock
out=$work/pdf
mkdir -p "$cups/conf" "$cups/spool" "$cups/cache" "$cups/state" "$cups/log" "$cups/tmp" \
    "$work/cups-pdf" "$out" "$work/home" "$work/app"
chown root:lp "$cups/tmp" && chmod 1770 "$cups/tmp"
cat >"$cups/conf/cups-files.conf" <<EOF
ServerRoot $cups/conf
RequestRoot $cups/spool
CacheDir $cups/cache
StateDir $cups/state
TempDir $cups/tmp
AccessLog $cups/log/access_log
ErrorLog $cups/log/error_log
PageLog $cups/log/page_log
Printcap $cups/printcap
ServerBin /usr/lib/cups
DataDir /usr/share/cups
SystemGroup root
FileDevice No
EOF
cat >"$cups/conf/cupsd.conf" <<EOF
Listen $sock
Browsing No
WebInterface No
LogLevel debug
DefaultAuthType None
<Location />
  Order allow,deny
  Allow all
</Location>
<Policy default>
  <Limit All>
    Order allow,deny
    Allow all
  </Limit>
</Policy>
EOF
cupsd -f -c "$cups/conf/cupsd.conf" -s "$cups/conf/cups-files.conf" &
CUPSD_PID=$!
cups_log() { tail -n 30 "$cups/log/error_log" "$cups"/log/cups-pdf-*_log 2>/dev/null >&2; }
deadline=$((SECONDS + 20))
until lpstat -h "$sock" -r 2>/dev/null | grep -q "is running"; do
    kill -0 "$CUPSD_PID" 2>/dev/null || {
        cups_log
        fail "cupsd could not be started"
    }
    [ $SECONDS -lt $deadline ] || {
        cups_log
        fail "cupsd did not answer on $sock within 20 s"
    }
    sleep 0.2
done

# 2. The queue: cups-pdf writing into our folder. The default PostScript
# renderer (Ghostscript) loses the text's character codes on the way back to
# PDF; pdftocairo keeps them, so that the card can be read back.
PDFCONF_OURS=1
cat >"$pdfconf" <<EOF
Out $out
AnonDirName $out
Spool $work/cups-pdf
Log $cups/log
GSTmp $cups/tmp
Grp $(id -gn)
LogType 7
EOF
lpadmin -h "$sock" -p "$queue" -E -v "cups-pdf:/$instance" -P "$ppd" \
    -o pdftops-renderer-default=pdftocairo 2>/dev/null || {
    cups_log
    fail "lpadmin could not add the queue $queue"
}
lpadmin -h "$sock" -d "$queue" || fail "lpadmin could not make $queue the default"
lpstat -h "$sock" -d | grep -q "$queue" || fail "$queue is not the default destination"
echo "cups: $(lpstat -h "$sock" -p "$queue")"

# The program finds that scheduler and nothing else: no personal or inherited
# choice of printer.
export CUPS_SERVER=$sock HOME=$work/home
unset PRINTER LPDEST

# 3. The program, as installed, with an empty database beside it.
cp "$program" "$work/app/listrano"
"$initdb" "$work/app/Quelmar.mdb" || fail "could not create the database"
start_x
"$work/app/listrano" &
APP_PID=$!
window=$(wait_window "Listrano Eletr" 30) || fail "the contact window did not appear"
eval "$(xdotool getwindowgeometry --shell "$window")"
xdotool windowfocus --sync "$window" 2>/dev/null
xdotool mousemove $((X + 56)) $((Y + 44)) click 1 # Incluir
sleep 0.4
xdotool type --delay 15 "$name"
xdotool key Tab
xdotool type --delay 15 "$email"
xdotool key alt+p # Imprimir
question=$(wait_window "dos Registros" 20) || fail "the question to start printing did not appear"
xdotool windowfocus --sync "$question" 2>/dev/null
xdotool key --clearmodifiers Return # Sim, the default button

# 4. The card arrives in the queue's folder once the job is through.
deadline=$((SECONDS + 60))
pdf=
while [ $SECONDS -lt $deadline ]; do
    if xdotool search --onlyvisible --name "Erro de Impress" >/dev/null 2>&1; then
        cups_log
        fail "the program reported a printing error"
    fi
    pdf=$(find "$out" -name '*.pdf' -print -quit)
    # The file is complete when the queue has no job left.
    [ -n "$pdf" ] && [ -z "$(lpstat -h "$sock" -o "$queue")" ] && break
    pdf=
    sleep 0.5
done
if [ -z "$pdf" ]; then
    lpstat -h "$sock" -W all -o "$queue" >&2
    cups_log
    # A confining profile for cups-pdf lets it read only the system's own
    # cups-pdf.conf, and write only below the home folders.
    grep -qs "backend/cups-pdf (enforce)" /sys/kernel/security/apparmor/profiles &&
        echo "note: AppArmor confines cups-pdf; run with its profile in complain mode" >&2
    fail "no PDF arrived from the queue within 60 s"
fi
echo "printed: $pdf"
[ -n "${E2E_PRINT_KEEP:-}" ] && cp "$pdf" "$E2E_PRINT_KEEP"
[ "$(find "$out" -name '*.pdf' | wc -l)" -eq 1 ] || fail "more than one job was printed"
pages=$(pdfinfo "$pdf" | sed -n 's/^Pages: *//p')
[ "$pages" = 1 ] || fail "the card has $pages pages"

# 5. The card's text. Extracted text shows the two blanks after the title as
# one; the word boxes show the gap before the name is two blanks wide, twice
# the one between the title's words.
text=$(pdftotext -layout "$pdf" -)
echo "$text" | grep -qE "^ *Relatório do Cadastro de: +$name *\$" ||
    fail "no title with the name in: $text"
echo "$text" | grep -qE "^ *E-Mail: +$email *\$" || fail "no e-mail line in: $text"
ratio=$(pdftotext -bbox "$pdf" - | awk -F'"' '/<word /{ n++; x0[n] = $2; x1[n] = $6 }
    n == 5 { printf "%.2f", (x0[5] - x1[4]) / (x0[2] - x1[1]); exit }')
echo "title gap before the name: $ratio blanks"
awk -v r="$ratio" 'BEGIN { exit !(r > 1.8 && r < 2.2) }' ||
    fail "the gap before the name is $ratio blanks, not 2"
echo "the card printed through CUPS reads: $(echo "$text" | grep -E 'Relat|E-Mail' | tr -s ' ')"

# 6. A queue that refuses jobs: the user is told, and nothing is printed.
cupsreject -h "$sock" "$queue" || fail "cupsreject failed"
xdotool windowfocus --sync "$window" 2>/dev/null
# The contact printed while being added is still there, not saved yet; Salvar
# saves it and brings Incluir back.
xdotool key alt+s
saved() { sqlite3 "$work/app/Quelmar.mdb" "SELECT Email FROM tblQuelmar WHERE Nome = '$name'"; }
deadline=$((SECONDS + 10))
while [ "$(saved)" != "$email" ] && [ $SECONDS -lt $deadline ]; do sleep 0.2; done
[ "$(saved)" = "$email" ] || fail "the contact printed while being added was not kept to be saved"
echo "the contact printed while being added is saved afterwards"
xdotool mousemove $((X + 56)) $((Y + 44)) click 1 # Incluir
sleep 0.4
xdotool type --delay 15 "Recusado Pela Fila"
xdotool key alt+p
question=$(wait_window "dos Registros" 20) || fail "the second question did not appear"
xdotool windowfocus --sync "$question" 2>/dev/null
xdotool key --clearmodifiers Return
wait_window "Erro de Impress" 30 >/dev/null || fail "a refused job was not reported"
sleep 1
[ "$(find "$out" -name '*.pdf' | wc -l)" -eq 1 ] || fail "the refused job was printed"
echo "a refused job is reported to the user"
