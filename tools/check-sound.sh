#!/usr/bin/env bash
# End-to-end check of the sound: starts a private PulseAudio server with a
# null sink, hides ALSA's configuration (so only Lyrovan's own PulseAudio
# stream can reach the server), starts build/bin/lyrovan under a virtual X
# server, clicks "Strum" with xdotool while recording the sink's monitor,
# and prints what was heard: the stream's name in the mixer and the times
# at which the level rose. Everything it starts is stopped at the end.
#   tools/check-sound.sh [path/to/lyrovan]
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
program="${1:-$here/build/bin/lyrovan}"
work="$(mktemp -d /tmp/lyrovan-check-XXXXXX)"
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
mkdir -p "$work/home" "$work/run"

HOME="$work/home" XDG_RUNTIME_DIR="$work/run" PULSE_RUNTIME_PATH="$work/run" \
    pulseaudio -n --daemonize=no --use-pid-file=no --exit-idle-time=20 --log-target=stderr \
    -L "module-null-sink sink_name=lyrovan_check rate=44100 norewinds=1" \
    -L "module-native-protocol-unix socket=$work/native auth-anonymous=1" 2>"$work/server.log" &
pids+=($!)
export PULSE_SERVER="unix:$work/native" PULSE_COOKIE="$work/cookie" PULSE_CLIENTCONFIG="$work/client.conf"
echo "autospawn = no" >"$work/client.conf"
for _ in $(seq 100); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
# ALSA reads no configuration at all: it knows no device, not even its
# PulseAudio plug-in.
: >"$work/alsa.conf"
export ALSA_CONFIG_PATH="$work/alsa.conf"

parec -d lyrovan_check.monitor --raw --format=s16le --rate=44100 --channels=1 --latency-msec=5 >"$work/monitor.raw" &
pids+=($!)
sleep 2.5 # the null sink settles on short blocks once something records

# The rest runs inside the virtual X server's session.
export program work
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
    set -u
    "$program" 2>"$work/lyrovan.err" &
    pid=$!
    window=""
    for _ in $(seq 100); do
        window="$(xdotool search --name "^Lyrovan\$" 2>/dev/null | head -1 || true)"
        [ -n "$window" ] && break
        sleep 0.1
    done
    if [ -z "$window" ]; then echo "check-sound: no Lyrovan window" >&2; kill $pid; exit 1; fi
    sleep 1.5 # the synthesizer gets ready in the background
    stat -c %s "$work/monitor.raw" >"$work/start"
    # chkStrum lies at twips (4680, 0, 735, 855) of the client area, below the menu bar.
    xdotool mousemove --window "$window" 336 50 click 1
    sleep 1
    echo "== the mixer'"'"'s view of Lyrovan'"'"'s stream"
    pactl list sink-inputs | grep -E "application.name|media.name" || echo "(no stream)"
    sleep 1.5
    echo "== visible windows named Lyrovan (1: no warning box): $(xdotool search --onlyvisible --name "^Lyrovan\$" | wc -l)"
    kill $pid
    wait $pid 2>/dev/null
    echo "== Lyrovan'"'"'s standard error:"
    grep -v XDG_RUNTIME_DIR "$work/lyrovan.err" || true
'
start_bytes=$(cat "$work/start")
echo "== level of the sink's monitor from the click on (20 ms steps where it rose):"
tail -c +"$((start_bytes + 1))" "$work/monitor.raw" | od -An -v -td2 -w2 | awk '
    { s = $1 < 0 ? -$1 : $1; sum += s * s; n++; if (s > peak) peak = s
      if (n == 882) { rms = sqrt(sum / n); if (rms > 300 && rms > 1.5 * last) printf "  %5d ms  rms %5d\n", t, rms
                      last = rms; sum = 0; n = 0; t += 20 } }
    END { printf "  peak %d of 32767\n", peak }'
