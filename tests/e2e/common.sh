# Shared by the end-to-end scripts: start what a check needs, and stop only what we started.
# Each script gets its own HOME so no user settings are read or written.

e2e_tmp=$(mktemp -d)
export HOME="$e2e_tmp/home"
mkdir -p "$HOME"
started_pids=()

cleanup() {
    for pid in "${started_pids[@]}"; do
        kill "$pid" 2>/dev/null
        wait "$pid" 2>/dev/null
    done
    rm -rf "$e2e_tmp"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

start_jackd() {
    jackd --no-realtime -n "$JACK_DEFAULT_SERVER" -d dummy -r 48000 -p 512 > "$e2e_tmp/jackd.log" 2>&1 &
    local pid=$!
    for _ in $(seq 1 50); do
        if jack_lsp -s "$JACK_DEFAULT_SERVER" > /dev/null 2>&1; then
            started_pids+=($pid)
            return 0
        fi
        kill -0 "$pid" 2>/dev/null || return 1
        sleep 0.1
    done
    kill "$pid" 2>/dev/null
    return 1
}

# A JACK server with a dummy backend: a real audio device without a sound card.
ensure_jack() {
    export JACK_NO_AUDIO_RESERVATION=1
    export JACK_DEFAULT_SERVER="druvex-e2e"
    start_jackd && return 0

    # JACK keeps a small table of servers in shared memory, and servers that died without
    # cleaning up stay in it until it is full ("Too many servers already active"). When no JACK
    # server runs at all, every entry is stale and the table can go.
    if ! pgrep -x jackd > /dev/null && ! pgrep -x jackdbus > /dev/null; then
        rm -rf /dev/shm/jack-shm-registry /dev/shm/jack-[0-9]* /dev/shm/jack_sem.* /dev/shm/jack_db-* 2>/dev/null
        start_jackd && return 0
    fi
    cat "$e2e_tmp/jackd.log" >&2
    fail "jackd did not start"
}

# A virtual display unless one is already there.
ensure_display() {
    if [ -n "${DISPLAY:-}" ] && xdpyinfo > /dev/null 2>&1; then
        return 0
    fi
    for n in $(seq 90 120); do
        [ -e "/tmp/.X11-unix/X$n" ] && continue
        Xvfb ":$n" -screen 0 1600x1200x24 -nolisten tcp > "$e2e_tmp/xvfb.log" 2>&1 &
        started_pids+=($!)
        export DISPLAY=":$n"
        for _ in $(seq 1 50); do
            [ -e "/tmp/.X11-unix/X$n" ] && return 0
            sleep 0.1
        done
    done
    fail "Xvfb did not start"
}

jack_ports() {
    jack_lsp -s "$JACK_DEFAULT_SERVER" 2>/dev/null
}
