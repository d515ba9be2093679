#!/usr/bin/env bash
# Loads the built LV2 plug-in in jalv, a real LV2 host, on a JACK server and checks that it runs
# with its ports connected to JACK.
set -u
bundle="$1"
source "$(dirname "$0")/common.sh"
[ -d "$bundle" ] || fail "no LV2 bundle at $bundle"

export LV2_PATH="$(dirname "$bundle")"
uri=$(lv2ls | grep -i druvex | head -n 1)
[ -n "$uri" ] || fail "lv2ls does not list the plug-in from $LV2_PATH"
lv2info "$uri" > "$e2e_tmp/lv2info.txt" 2>&1 || { cat "$e2e_tmp/lv2info.txt" >&2; fail "lv2info cannot read $uri"; }

ensure_jack

# jalv's console front end reads commands from stdin; keep it open while we look.
mkfifo "$e2e_tmp/stdin"
jalv -n druvex-lv2 "$uri" < "$e2e_tmp/stdin" > "$e2e_tmp/jalv.log" 2>&1 &
jalv_pid=$!
started_pids+=($jalv_pid)
exec 3> "$e2e_tmp/stdin"

found=""
for _ in $(seq 1 100); do
    kill -0 "$jalv_pid" 2>/dev/null || { cat "$e2e_tmp/jalv.log" >&2; fail "jalv exited"; }
    if jack_ports | grep -q '^druvex-lv2:'; then found=yes; break; fi
    sleep 0.2
done
[ -n "$found" ] || { cat "$e2e_tmp/jalv.log" >&2; fail "jalv did not register the plug-in's ports"; }
sleep 2
kill -0 "$jalv_pid" 2>/dev/null || { cat "$e2e_tmp/jalv.log" >&2; fail "jalv stopped while running the plug-in"; }
ports=$(jack_ports | grep -c '^druvex-lv2:')
exec 3>&-

echo "LV2 plug-in $uri runs in jalv with $ports JACK ports"
