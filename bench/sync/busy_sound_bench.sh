#!/usr/bin/env bash
# The program's sound beside busy processes: minutes (600 s, or the seconds
# given) into a PulseAudio null sink with one spinning process per core,
# streaming to RTMP and SRT on the loopback; counts the device's dry spells
# and the streams' dropped frames. Three passes: the application as it is,
# the same without the privilege to raise its threads (an ordinary user
# where RealtimeKit is absent), and, for comparison, the application with
# the sound server holding one block only (as SDL asks by itself).
#   bash bench/sync/busy_sound_bench.sh [SECONDS]
set -euo pipefail
seconds=${1:-600}
bench=bench_busy_sound
source "$(dirname "$0")/prelude.sh"
unset PULSE_LATENCY_MSEC
# Without CAP_SYS_NICE and with RLIMIT_RTPRIO and RLIMIT_NICE 0, as an
# ordinary user is.
unprivileged() {
  if command -v capsh >/dev/null && [ "$(id -u)" = 0 ]; then
    capsh --drop=cap_sys_nice -- -c 'ulimit -r 0; ulimit -e 0; exec "$@"' -- "$@"
  else
    bash -c 'ulimit -r 0 2>/dev/null; ulimit -e 0 2>/dev/null; exec "$@"' -- "$@"
  fi
}
status=0
echo "== as it is"
"$bench" "$seconds" || status=1
echo
echo "== without the privilege to raise threads (no real-time sound thread)"
unprivileged "$bench" "$seconds" || status=1
echo
echo "== the sound server holding one block (43 ms), as before"
PULSE_LATENCY_MSEC=43 "$bench" "$seconds" || true
exit $status
