#!/usr/bin/env bash
# Takes the README's screenshots of the real NUVARKom connected to nuvarsim:
# a virtual X server (Xvfb) with a small window manager, ./scripts/run.sh
# --fenster on it, the person's steps sent as key strokes (xdotool), and
# `import` (ImageMagick) for the pictures. Writes doc/*.png.
#
# Needs: xvfb openbox xdotool imagemagick (not part of the build; install them
# with apt-get when you want new pictures). NUVAR_BILD_DISPLAY picks the
# display (default :101).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
anzeige="${NUVAR_BILD_DISPLAY:-:101}"
for p in Xvfb openbox xdotool import convert; do
  if ! command -v "$p" > /dev/null; then
    echo "$p fehlt (apt-get install xvfb openbox xdotool imagemagick)." >&2
    exit 1
  fi
done
build="${NUVAR_BUILD_DIR:-$root/build}"
doc="$root/doc"
mkdir -p "$doc"

pids=()
aufraeumen() {
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[$i]}" 2>/dev/null || true; done
  wait 2>/dev/null || true
}
trap aufraeumen EXIT

Xvfb "$anzeige" -screen 0 1280x1024x24 -nolisten tcp > /dev/null 2>&1 &
pids+=($!)
export DISPLAY="$anzeige"
for _ in $(seq 50); do xdotool getdisplaygeometry > /dev/null 2>&1 && break; sleep 0.1; done
openbox > /dev/null 2>&1 &
pids+=($!)
sleep 1

# A German desktop: the decimal comma in numbers.
LANG=de_DE.UTF-8 "$root/scripts/run.sh" --fenster > "$build/bildschirmfotos.log" 2>&1 &
pids+=($!)

# Waits until a top-level window with this caption is shown; prints its id.
# (The child windows inside the main window are no windows of their own.)
fenster() {
  local id=""
  for _ in $(seq 600); do
    id="$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | tail -n1 || true)"
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.1
  done
  echo "Fenster \"$1\" erscheint nicht." >&2
  exit 1
}
# The whole screen, or one window with its frame.
foto() { import -window root "$doc/$1"; }
foto_fenster() { import -frame -window "$(xdotool search --onlyvisible --name "^$2\$" | tail -n1)" "$doc/$1"; }
# Waits until no window with this caption is shown any more.
weg() { for _ in $(seq 600); do xdotool search --onlyvisible --name "^$1\$" > /dev/null 2>&1 || return 0; sleep 0.1; done; }

haupt="$(fenster Datenkommunikation)"
xdotool windowactivate --sync "$haupt"
sleep 1

# 1. Connect: the programme selection, then the link.
xdotool key --clearmodifiers alt+v a
fenster "Messprogramm ausw.hlen" > /dev/null
sleep 0.5
foto_fenster programmauswahl.png "Messprogramm ausw.hlen"
xdotool key Return
weg "Messprogramm ausw.hlen"
sleep 5

# 2. Station parameters in a window of their own.
xdotool windowactivate --sync "$haupt"
sleep 0.5
xdotool key --clearmodifiers ctrl+s
sleep 8
foto hauptfenster.png

# 3. Instantaneous values: wait for a few readings.
xdotool windowactivate --sync "$haupt"
xdotool key --clearmodifiers ctrl+m
sleep 45
foto momentanwerte.png

# 4. The logger clock.
xdotool windowactivate --sync "$haupt"
xdotool key --clearmodifiers ctrl+z
fenster "Systemzeit stellen" > /dev/null
sleep 1.5
foto_fenster systemzeit.png "Systemzeit stellen"
xdotool key Escape
weg "Systemzeit stellen"
sleep 3

# 5. Disconnect (and end the instantaneous mode), then end the program.
xdotool windowactivate --sync "$haupt"
xdotool key --clearmodifiers alt+d b
sleep 2
xdotool key --clearmodifiers alt+j 2> /dev/null || true
sleep 3
echo "Bilder in $doc:"
ls -l "$doc"/*.png
