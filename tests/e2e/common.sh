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

# A JACK server with a dummy backend: a real audio device without a sound card.
ensure_jack() {
    export JACK_NO_AUDIO_RESERVATION=1
    export JACK_DEFAULT_SERVER="druvex-e2e-$$"
    jackd --no-realtime -n "$JACK_DEFAULT_SERVER" -d dummy -r 48000 -p 512 > "$e2e_tmp/jackd.log" 2>&1 &
    started_pids+=($!)
    for _ in $(seq 1 50); do
        jack_lsp -s "$JACK_DEFAULT_SERVER" > /dev/null 2>&1 && return 0
        sleep 0.1
    done
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
