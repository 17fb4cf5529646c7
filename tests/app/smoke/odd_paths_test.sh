#!/usr/bin/env bash
# Runs the real program under a private X server with show paths and media
# that are not what they seem, and reads its alerts through the
# accessibility tree:
# - a show path on the command line that does not exist, one that is a loop
#   of symbolic links, one whose name is longer than the file system allows,
#   and (for a user the permissions hold for) a show file
#   of mode 000: each alert says why, not that the file is no valid show;
# - a show whose media are a pipe and a missing file with a name of a
#   mebibyte: the alert comes at once, says that the pipe is a pipe, and
#   shows the long name shortened.
#   odd_paths_test.sh TESSARIN_BINARY
# Exits 77 (skipped) when Xvfb, xdotool or the Python helpers are missing.
set -euo pipefail
binary=${1:?binary}
here=$(cd "$(dirname "$0")" && pwd)
source "$here/session.sh"
settings

said() { "$python" "$here/x11.py" described "$1" 2>/dev/null; }
stop() { # WHAT
  kill -TERM "$pid"
  ended 20 "$1, then SIGTERM"
}
refused() { # SHOW_PATH REASON WHAT
  launch "$1"
  wait_for 30 named 'Impossibile aprire lo show' || fail "$3: no open failure alert"
  named "$2" || fail "$3: the alert does not say \"$2\""
  named 'Il file non è uno show valido di Tessarin.' && fail "$3: still called no valid show"
  echo "$3: \"$2\""
  xdotool key Return
  stop "$3"
}

refused "$work/show/Nessuno.vellumcast" 'Il file non esiste.' 'a path that does not exist'
ln -s "$work/show/Anello.vellumcast" "$work/show/Anello.vellumcast"
refused "$work/show/Anello.vellumcast" \
  'Il percorso passa per collegamenti simbolici che rimandano a se stessi.' 'a loop of symbolic links'
refused "$work/show/$(printf 'n%.0s' $(seq 300)).vellumcast" \
  'Il nome del file o il percorso è più lungo di quanto il file system consente.' 'a name too long'
printf '{"version":1}' > "$work/show/Chiuso.vellumcast"
chmod 000 "$work/show/Chiuso.vellumcast"
if [ -r "$work/show/Chiuso.vellumcast" ]; then
  echo "a show of mode 000: not checked, permissions do not hold for this user"
else
  refused "$work/show/Chiuso.vellumcast" 'Non hai il permesso di leggere il file.' 'a show of mode 000'
fi

# A pipe and a missing file with a name of a mebibyte among the media.
mkfifo "$work/show/Coda.mp4"
"$python" - "$work/show" <<'PY'
import json, os, sys
folder = sys.argv[1]
long_name = os.path.join(folder, 'L' + 'x' * (1 << 20) + '.mp4')
show = {'version': 1, 'browser': [{'path': os.path.join(folder, 'Coda.mp4')}, {'path': long_name}],
        'layers': [], 'schedule': [], 'blocks': []}
with open(os.path.join(folder, 'Strano.vellumcast'), 'w') as f:
    json.dump(show, f)
PY
began=$SECONDS
launch "$work/show/Strano.vellumcast"
wait_for 30 named '2 file non sono stati trovati' || fail "no missing media alert"
echo "the missing media alert came in about $((SECONDS - began)) s"
[ $((SECONDS - began)) -le 10 ] || fail "the alert took $((SECONDS - began)) s"
text=$(said 'Coda.mp4') || text=$(said 'Lxxx') || fail "the alert lists no name"
case "$text" in
  *'Coda.mp4 (è una pipe, non un file)'*) ;;
  *) fail "the pipe is not said to be a pipe: ${text:0:300}" ;;
esac
[ ${#text} -lt 1000 ] || fail "the long name is not shortened (${#text} characters)"
case "$text" in *'…'*) ;; *) fail "no ellipsis in the long name" ;; esac
echo "the alert says: ${text//$'\n'/ | }"
xdotool key Return
stop "the missing media"
echo "odd paths said"
