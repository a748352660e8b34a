# Shared by the end-to-end tests: an X server of the test's own, and waiting for
# windows by title. Source it; call start_x first.

start_x() {
    for tool in Xvfb xdotool; do
        command -v "$tool" >/dev/null || { echo "FAIL: $tool is not installed" >&2; exit 1; }
    done
    local fifo
    fifo=$(mktemp -u)
    mkfifo "$fifo"
    Xvfb -displayfd 6 -screen 0 1024x768x24 -nolisten tcp -noreset 6>"$fifo" 2>/dev/null &
    XVFB_PID=$!
    read -r -t 20 display_number <"$fifo" || { echo "FAIL: Xvfb did not start" >&2; exit 1; }
    rm -f "$fifo"
    export DISPLAY=":$display_number"
    unset QT_QPA_PLATFORM WAYLAND_DISPLAY
}

stop_x() {
    [ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" 2>/dev/null && wait "$XVFB_PID" 2>/dev/null
    return 0
}

# wait_window TITLE-REGEX [SECONDS]: prints the first window id whose name matches.
wait_window() {
    local pattern=$1 limit=${2:-30} id
    local deadline=$((SECONDS + limit))
    while [ $SECONDS -lt $deadline ]; do
        id=$(xdotool search --onlyvisible --name "$pattern" 2>/dev/null | head -n 1)
        if [ -n "$id" ]; then
            echo "$id"
            return 0
        fi
        sleep 0.2
    done
    return 1
}

# wait_exit PID SECONDS: waits for the process to end and sets EXIT_STATUS.
wait_exit() {
    local pid=$1 limit=$2
    local deadline=$((SECONDS + limit))
    while kill -0 "$pid" 2>/dev/null; do
        [ $SECONDS -lt $deadline ] || return 1
        sleep 0.2
    done
    wait "$pid"
    EXIT_STATUS=$?
    return 0
}
