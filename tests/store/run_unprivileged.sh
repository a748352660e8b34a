#!/bin/sh
# Runs a test binary's named functions as an unprivileged user when started as
# root; otherwise runs them as they are.
test_bin=$1
shift
if [ "$(id -u)" -ne 0 ]; then
    exec "$test_bin" "$@"
fi
if ! command -v setpriv >/dev/null; then
    echo "setpriv not available: cannot drop privileges" >&2
    exit 77
fi
uid=$(id -u nobody 2>/dev/null) || { echo "no user nobody" >&2; exit 77; }
gid=$(id -g nobody)
drop="setpriv --reuid=$uid --regid=$gid --clear-groups --"
if ! $drop test -x "$test_bin"; then
    echo "$test_bin is out of reach of user nobody: permission cases skipped" >&2
    exit 77
fi
# The unprivileged user needs its own temporary folder.
scratch=$(mktemp -d)
chown "$uid:$gid" "$scratch"
TMPDIR=$scratch HOME=$scratch $drop "$test_bin" "$@"
status=$?
rm -rf "$scratch"
exit $status
