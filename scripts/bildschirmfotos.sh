#!/usr/bin/env bash
# Takes the README's screenshots of the real NUVARKom connected to nuvarsim:
# a virtual X server (Xvfb) with a small window manager, ./scripts/run.sh
# --fenster on it, the person's steps sent as key strokes (xdotool), and
# `import` (ImageMagick) for the pictures. Writes doc/*.png.
#
# Needs xvfb openbox xdotool imagemagick x11-utils (not part of the build);
# scripts/setup.sh installs those that are missing, with the build's own.
# NUVAR_BILD_DISPLAY picks the display (default :101). With --nur-kom or
# --nur-cfg only the pictures of one program are taken.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
anzeige="${NUVAR_BILD_DISPLAY:-:101}"
teile="kom cfg"
case "${1:-}" in
  --nur-kom) teile="kom" ;;
  --nur-cfg) teile="cfg" ;;
  "") ;;
  *) echo "Aufruf: $0 [--nur-kom|--nur-cfg]" >&2; exit 2 ;;
esac
"$root/scripts/setup.sh" xvfb openbox xdotool imagemagick x11-utils
build="${NUVAR_BUILD_DIR:-$root/build}"
doc="$root/doc"
mkdir -p "$doc"

# Every program runs as the leader of a process group of its own (setsid),
# so that ending it ends what it started (run.sh's nuvarsim and NUVARKom,
# the NUVARKom that NuvarCfg starts), whichever way this script ends.
gruppen=()
beende_gruppe() {
  local g="$1"
  kill -TERM -- "-$g" 2>/dev/null || return 0
  for _ in $(seq 50); do kill -0 -- "-$g" 2>/dev/null || return 0; sleep 0.1; done
  kill -KILL -- "-$g" 2>/dev/null || true
}
aufraeumen() {
  # A second signal (timeout sends one to the whole group) must not cut
  # the clean-up short.
  trap '' INT TERM HUP
  for ((i = ${#gruppen[@]} - 1; i >= 0; i--)); do beende_gruppe "${gruppen[$i]}"; done
}
trap aufraeumen EXIT
trap 'exit 130' INT
trap 'exit 143' TERM HUP
# im_hintergrund LOG COMMAND...: starts COMMAND in a new process group; sets $letzte.
im_hintergrund() {
  local log="$1"; shift
  setsid "$@" > "$log" 2>&1 &
  letzte=$!
  gruppen+=("$letzte")
}

# The programs are built once here, so the waits below wait for windows,
# not for the compiler.
"$root/scripts/build.sh" > /dev/null

im_hintergrund /dev/null Xvfb "$anzeige" -screen 0 1280x1024x24 -nolisten tcp
export DISPLAY="$anzeige"
for _ in $(seq 50); do xdotool getdisplaygeometry > /dev/null 2>&1 && break; sleep 0.1; done
xdotool getdisplaygeometry > /dev/null 2>&1 || { echo "Xvfb startet nicht auf $anzeige." >&2; exit 1; }
im_hintergrund /dev/null openbox
sleep 1

# Waits until a top-level window with this caption is shown; prints its id.
# The caption is a regular expression; a letter such as "ä" is matched by
# ".*" (X gives non-ASCII names in an encoding of its own).
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
foto_fenster() { import -frame -window "$(fenster "$2")" "$doc/$1"; }
# One window with its frame and the dialogs in front of it: cut from the
# screen (a window's own picture leaves the dialogs above it black).
foto_mit_dialogen() {
  local id x y w h l r t b
  id="$(fenster "$2")"
  # The window on the screen, and the window manager's frame around it.
  read -r x y w h < <(xwininfo -id "$id" | awk -F: '
    /Absolute upper-left X/ {x = $2} /Absolute upper-left Y/ {y = $2}
    /Width/ {w = $2} /Height/ {h = $2} END {print x + 0, y + 0, w + 0, h + 0}')
  read -r l r t b < <(xprop -id "$id" _NET_FRAME_EXTENTS | sed 's/.*= //; s/,//g')
  import -window root -crop "$((w + l + r))x$((h + t + b))+$((x - l))+$((y - t))" +repage "$doc/$1"
}
# Waits until no window with this caption is shown any more.
weg() {
  for _ in $(seq 600); do xdotool search --onlyvisible --name "^$1\$" > /dev/null 2>&1 || return 0; sleep 0.1; done
  echo "Fenster \"$1\" bleibt offen." >&2
  exit 1
}
# Gives the window with this caption the keyboard focus, then sends the keys
# (a new dialog does not always get the focus by itself).
taste() {
  local id
  id="$(fenster "$1")"
  shift
  # Without --sync: it waits for good when the window is active already.
  xdotool windowactivate "$id" 2> /dev/null || true
  sleep 0.3
  xdotool windowfocus "$id" 2> /dev/null || true
  sleep 0.3
  xdotool key --clearmodifiers "$@"
}
# Waits until FILE holds PATTERN (a log line of the program).
warte_auf() {
  for _ in $(seq 600); do grep -q "$2" "$1" 2>/dev/null && return 0; sleep 0.1; done
  echo "\"$2\" erscheint nicht in $1." >&2
  exit 1
}

kom_fotos() {
  # A recording left by an earlier run would show its old lines.
  rm -f "$build"/fenster/mom*.log
  # A German desktop: the decimal comma in numbers.
  LANG=de_DE.UTF-8 im_hintergrund "$build/bildschirmfotos-kom.log" "$root/scripts/run.sh" --fenster
  local lauf=$letzte
  local haupt
  haupt="$(fenster Datenkommunikation)"
  xdotool windowactivate "$haupt"; sleep 0.3
  sleep 1

  # 1. Connect: the programme selection, then the link.
  xdotool key --clearmodifiers alt+v a
  fenster "Messprogramm ausw.*hlen" > /dev/null
  sleep 0.5
  foto_fenster programmauswahl.png "Messprogramm ausw.*hlen"
  taste "Messprogramm ausw.*hlen" Return
  weg "Messprogramm ausw.*hlen"
  sleep 5

  # 2. Station parameters in a window of their own.
  xdotool windowactivate "$haupt"; sleep 0.3
  sleep 0.5
  xdotool key --clearmodifiers ctrl+s
  sleep 8
  foto hauptfenster.png

  # 3. The logger clock (before the instantaneous values: while the logger
  # streams, its clock cannot be read).
  xdotool windowactivate "$haupt"; sleep 0.3
  xdotool key --clearmodifiers ctrl+z
  fenster "Systemzeit stellen" > /dev/null
  sleep 1.5
  foto_fenster systemzeit.png "Systemzeit stellen"
  taste "Systemzeit stellen" Escape
  weg "Systemzeit stellen"
  sleep 3

  # 4. Instantaneous values: wait for a few readings.
  xdotool windowactivate "$haupt"; sleep 0.3
  xdotool key --clearmodifiers ctrl+m
  sleep 45
  foto momentanwerte.png

  # 5. Disconnect, then end the program (its close query answered Yes).
  xdotool windowactivate "$haupt"; sleep 0.3
  xdotool key --clearmodifiers alt+v t
  sleep 3
  xdotool key --clearmodifiers alt+d b
  sleep 2
  xdotool key --clearmodifiers alt+j 2> /dev/null || true
  sleep 2
  beende_gruppe "$lauf"
}

cfg_fotos() {
  LANG=de_DE.UTF-8 im_hintergrund "$build/bildschirmfotos-cfg.log" "$root/scripts/run.sh" --konfigurator
  local lauf=$letzte
  # The welcome dialog: its first button reads the configuration from the logger.
  sleep 0.5
  taste Willkommen space

  # 1. The connection dialog, then the transfer through NUVARKom.
  fenster "Mit Logger vebinden" > /dev/null
  sleep 2
  foto_mit_dialogen nuvarcfg-verbindung.png 'NUVARCfg - Loggerkonfigurator'
  taste "Mit Logger vebinden" Return
  weg "Mit Logger vebinden"
  # NUVARKom reads the configuration; then the notice "Parameter erfolgreich
  # gelesen." (a box with the program's name as caption).
  taste NUVARCfg Return
  weg NUVARCfg
  sleep 1

  local haupt
  haupt="$(fenster 'NUVARCfg - Loggerkonfigurator')"
  xdotool windowactivate "$haupt"; sleep 0.3
  sleep 2
  foto_mit_dialogen nuvarcfg-kanaltabelle.png 'NUVARCfg - Loggerkonfigurator'

  # 2. A new sensor: the sensor list, then the free input.
  xdotool key --clearmodifiers shift+Insert
  fenster "Sensor ausw.*hlen" > /dev/null
  sleep 2
  foto_mit_dialogen nuvarcfg-sensorauswahl.png 'NUVARCfg - Loggerkonfigurator'
  taste "Sensor ausw.*hlen" Return
  weg "Sensor ausw.*hlen"
  fenster "Kanal ausw.*hlen" > /dev/null
  sleep 1
  taste "Kanal ausw.*hlen" Return
  weg "Kanal ausw.*hlen"
  sleep 1

  # 3. Its scaling: a double click on the new row opens the parameter dialog.
  xdotool windowactivate "$haupt"; sleep 0.3
  # The new sensor is row 11 of the table (rows of 20 pixels below the
  # title row), at the simulated station's ten channels.
  xdotool mousemove --window "$haupt" 175 $((108 + 20 * 10)) click --repeat 2 --delay 80 1
  fenster "Parameter bearbeiten" > /dev/null
  sleep 2
  foto_mit_dialogen nuvarcfg-parameter.png 'NUVARCfg - Loggerkonfigurator'
  taste "Parameter bearbeiten" Escape
  weg "Parameter bearbeiten"
  sleep 0.5

  # 4. End without saving.
  xdotool windowactivate "$haupt"; sleep 0.3
  xdotool key --clearmodifiers alt+F4
  sleep 2
  xdotool key --clearmodifiers alt+n 2> /dev/null || true
  sleep 2
  beende_gruppe "$lauf"
}

for t in $teile; do "${t}_fotos"; done
echo "Bilder in $doc:"
ls -l "$doc"/*.png
