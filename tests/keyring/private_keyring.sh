#!/bin/sh
# Runs a test in a D-Bus session of its own with a Secret Service in it, unlocked
# with a password given on its standard input, its files in a temporary folder:
# the user's own keyring is never touched. Where the tools are missing the test
# runs alone, told why, and decides for itself whether to skip.
set -u
if [ "${1:-}" = --inside ]; then
    shift
    home=$(mktemp -d)
    export HOME="$home" XDG_DATA_HOME="$home/data" XDG_CONFIG_HOME="$home/config" \
        XDG_CACHE_HOME="$home/cache" XDG_RUNTIME_DIR="$home/run"
    mkdir -p "$XDG_DATA_HOME" "$XDG_CONFIG_HOME" "$XDG_CACHE_HOME" "$XDG_RUNTIME_DIR"
    chmod 700 "$XDG_RUNTIME_DIR"
    printf %s chave-do-teste |
        gnome-keyring-daemon --daemonize --unlock --components=secrets >/dev/null
    # The daemon takes its name on the bus a moment after it forks.
    tries=0
    until dbus-send --session --print-reply --dest=org.freedesktop.DBus / \
        org.freedesktop.DBus.NameHasOwner string:org.freedesktop.secrets 2>/dev/null |
        grep -q true; do
        tries=$((tries + 1))
        if [ $tries -gt 100 ]; then
            export LISTRANO_NO_PRIVATE_KEYRING="gnome-keyring-daemon did not take its name on the bus"
            break
        fi
        sleep 0.1
    done
    [ -n "${LISTRANO_NO_PRIVATE_KEYRING:-}" ] || export LISTRANO_PRIVATE_KEYRING=1
    "$@"
    status=$?
    rm -rf "$home"
    exit $status
fi
for tool in dbus-run-session dbus-send gnome-keyring-daemon; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        LISTRANO_NO_PRIVATE_KEYRING="$tool is not installed" exec "$@"
    fi
done
exec dbus-run-session -- sh "$0" --inside "$@"
