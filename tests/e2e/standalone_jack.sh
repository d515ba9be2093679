#!/usr/bin/env bash
# Starts the built application against a JACK server on a virtual display, checks that it stays
# up with its master outputs open on JACK and that a second launch only hands over, then asks it
# to quit and checks that it shut down cleanly (saving its settings on the way out).
set -u
app="$1"
source "$(dirname "$0")/common.sh"
[ -x "$app" ] || fail "no application at $app"

ensure_jack
ensure_display

# Point the audio set-up at JACK, as a user would choose it in the settings dialog.
mkdir -p "$HOME/.DRUVEX"
cat > "$HOME/.DRUVEX/DRUVEX.settings" <<XML
<?xml version="1.0" encoding="UTF-8"?>
<PROPERTIES>
  <VALUE name="audioSetup">
    <DEVICESETUP deviceType="JACK" audioOutputDeviceName="system" audioInputDeviceName=""
                 audioDeviceRate="48000.0" audioDeviceBufferSize="512"/>
  </VALUE>
</PROPERTIES>
XML

"$app" > "$e2e_tmp/app.log" 2>&1 &
app_pid=$!
started_pids+=($app_pid)

found=""
for _ in $(seq 1 100); do
    kill -0 "$app_pid" 2>/dev/null || { cat "$e2e_tmp/app.log" >&2; fail "the application exited early"; }
    if jack_ports | grep -q '^DRUVEX:'; then found=yes; break; fi
    sleep 0.2
done
[ -n "$found" ] || { jack_ports >&2; fail "no DRUVEX ports appeared on JACK"; }

sleep 3
kill -0 "$app_pid" 2>/dev/null || fail "the application did not stay up"

outputs=$(jack_ports | grep -c '^DRUVEX:out')
[ "$outputs" -ge 2 ] || { jack_ports >&2; fail "expected the master outputs on JACK, found $outputs output ports"; }

# A second launch hands over to the running instance and ends; no second device is opened.
timeout 20 "$app" > "$e2e_tmp/second.log" 2>&1
second=$?
[ "$second" -eq 0 ] || { cat "$e2e_tmp/second.log" >&2; fail "a second launch did not hand over and end (status $second)"; }
kill -0 "$app_pid" 2>/dev/null || fail "the running instance ended when a second one was launched"
[ "$(jack_ports | grep -c '^DRUVEX')" -eq "$outputs" ] || { jack_ports >&2; fail "a second launch opened the device again"; }

kill -TERM "$app_pid"
for _ in $(seq 1 50); do
    kill -0 "$app_pid" 2>/dev/null || break
    sleep 0.2
done
if kill -0 "$app_pid" 2>/dev/null; then fail "the application did not quit when asked"; fi
wait "$app_pid"; status=$?
[ "$status" -eq 0 ] || { cat "$e2e_tmp/app.log" >&2; fail "the application exited with status $status"; }
grep -q "windowX" "$HOME/.DRUVEX/DRUVEX.settings" || { cat "$HOME/.DRUVEX/DRUVEX.settings"; fail "the settings were not saved on quit"; }

echo "standalone under JACK: up with $outputs output ports, single instance, quit cleanly"
