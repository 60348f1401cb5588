#!/usr/bin/env bash
# The main job: installs what is missing, builds, then runs NUVARKom unattended
# against the simulated station (nuvarsim on a pseudo-terminal, COM1 in the
# port map of a demo NUVARWin.ini) and shows the files it produced.
#
# ./scripts/run.sh --fenster: the same simulated station for a person at the
# screen: writes a demo sessions.ini with a programme for it and opens
# NUVARKom's main window.
#
# ./scripts/run.sh --konfigurator: the simulated station for the logger
# configurator NuvarCfg, which reads and sends its configuration through
# NUVARKom (COM1 = the simulator, the same demo programme).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
fenster=0
konfigurator=0
if [ "${1:-}" = "--fenster" ]; then
  fenster=1
  shift
elif [ "${1:-}" = "--konfigurator" ]; then
  konfigurator=1
  shift
fi
"$root/scripts/setup.sh"
"$root/scripts/build.sh" "$@"

build="${NUVAR_BUILD_DIR:-$root/build}"
bin="$build/bin"

# Starts nuvarsim on a pseudo-terminal with the link <dir>/logger and its log
# in <dir>; further arguments go to nuvarsim. Stopped when the script ends.
starte_nuvarsim() {
  local d="$1"
  shift
  "$bin/nuvarsim" --link "$d/logger" --log "$d/nuvarsim.log" "$@" > "$d/nuvarsim.pfad" &
  sim=$!
  trap 'kill "$sim" 2>/dev/null || true; wait "$sim" 2>/dev/null || true' EXIT
  for _ in $(seq 100); do
    [ -s "$d/nuvarsim.pfad" ] && [ -e "$d/logger" ] && break
    sleep 0.1
  done
  if ! [ -s "$d/nuvarsim.pfad" ]; then
    echo "nuvarsim ist nicht gestartet:" >&2
    cat "$d/nuvarsim.log" >&2 || true
    exit 1
  fi
}

# The windows need a display.
pruefe_anzeige() {
  if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "Keine grafische Oberfläche gefunden (DISPLAY ist nicht gesetzt)." >&2
    exit 1
  fi
}

# <dir>/sessions.ini with one programme for the simulated station (number
# 101, averaging interval 10 minutes, COM1), chosen in advance.
schreibe_demo_programm() {
  cat > "$1/sessions.ini" <<INI
[Allgemein]
Aktiv=DEMO
[DEMO]
Bezeichnung=Demostation
Verbindung=0
Schnittstelle=0
Baudrate=3
StatNr=101
StatName=Demostation
Standortname=Versuchsfeld
Mittelwertzeit=10
INI
}

if [ "$konfigurator" = 1 ]; then
  pruefe_anzeige
  dir="$build/konfigurator"
  mkdir -p "$dir"
  # The simulated station; what it holds when it ends goes to station.txt.
  starte_nuvarsim "$dir" --abbild "$dir/station.txt"
  # NUVARKom, which the configurator starts for every transfer, finds the
  # simulator as COM1; both programs use this directory.
  cat > "$dir/NUVARWin.ini" <<INI
[NUVARKom]
SchreibeLogDatei=1
AnPDAnhaengen=1
ProtokollLaenge=1000
[Schnittstellen]
COM1=$dir/logger
INI
  schreibe_demo_programm "$dir"
  echo "Simulierte Station an $(head -n1 "$dir/nuvarsim.pfad") (COM1 = $dir/logger)"
  echo "NuvarCfg startet; Konfigurationen, Übertragungsdateien und Protokoll in $dir"
  NUVAR_HOME="$dir" "$bin/NuvarCfg" || true
  exit 0
fi
if [ "$fenster" = 1 ]; then
  pruefe_anzeige
  dir="$build/fenster"
  mkdir -p "$dir"
  # The simulated station; it keeps recording while the window is open.
  starte_nuvarsim "$dir"
  # COM1 is the simulator; instantaneous values are recorded beside it.
  cat > "$dir/NUVARWin.ini" <<INI
[NUVARKom]
SchreibeLogDatei=1
AnPDAnhaengen=1
ProtokollLaenge=1000
MomentanwerteAufzeichnen=1
Momentanwertverzeichnis=$dir
MomentanwertZeitraum=1
[NUVARWin]
RohdatenPfad=$dir/Daten
[Schnittstellen]
COM1=$dir/logger
INI
  schreibe_demo_programm "$dir"
  echo "Simulierte Station an $(head -n1 "$dir/nuvarsim.pfad") (COM1 = $dir/logger)"
  echo "NUVARKom startet; Einstellungen, Protokoll und Aufzeichnungen in $dir"
  NUVAR_HOME="$dir" "$bin/NUVARKom" || true
  exit 0
fi
demo="$build/demo"
rm -rf "$demo"
mkdir -p "$demo"

# The simulated station: 48 stored records (8 hours at 10 minutes).
starte_nuvarsim "$demo" --saetze 48 --nicht-aufzeichnen
echo "Simulierte Station an $(head -n1 "$demo/nuvarsim.pfad") (COM1 = $demo/logger)"

# The program's settings: unattended, protocol file on, COM1 -> the simulator.
cat > "$demo/NUVARWin.ini" <<INI
[NUVARKom]
Unbeaufsichtigt=1
SchreibeLogDatei=1
AnPDAnhaengen=1
ProtokollLaenge=1000
[Schnittstellen]
COM1=$demo/logger
INI

cat > "$demo/wetter.htm" <<'HTML'
<html><body>
<h1>Demostation am <!-- DATUM --> um <!-- ZEIT --> Uhr</h1>
<p>Temperatur: <!-- T2M --> &deg;C, Feuchte: <!-- RF --> %, Druck: <!-- LD --> hPa</p>
<p>Wind: <!-- WR --> Grad, <!-- WG --> m/s, Niederschlag: <!-- NIED --> mm</p>
</body></html>
HTML

# One sequence file per command, as a scheduler or the configurator writes it.
lauf() {
  local nummer="$1" befehl="$2"
  local seq="$demo/seq$nummer.seq"
  cat > "$seq" <<SEQ
[AutoSeq]
Verbindung=0
Schnittstelle=0
Baudrate=3
Befehl=$befehl
RohdatenPfad=$demo/Daten
HaltBeiFehler=0
[Messprogramm]
StatNr=101
StatName=Demostation
MWZeit=10
[SYNOP]
Laenge=11,58 Ost
Breite=48,14 Nord
Kennung=10870
Datei=$demo/synop.txt
[HTML]
Datei=$demo/wetter.htm
SEQ
  echo
  echo "== NUVARKom \"/auto,$seq\"   ($befehl)"
  NUVAR_HOME="$demo" QT_QPA_PLATFORM=offscreen timeout 120 "$bin/NUVARKom" "/auto,$seq" 2>&1 |
    grep -v '^QStandardPaths' | sed 's/^/   /' || true
}

lauf 0001 LadeParameter
lauf 0002 LeseDaten
lauf 0003 LeseSYNOP
lauf 0004 LeseHTML

kill "$sim" 2>/dev/null || true
wait "$sim" 2>/dev/null || true
trap - EXIT

zeige() {
  if [ -e "$1" ]; then printf '   %-58s %8s Bytes  %s\n' "$1" "$(stat -c %s "$1")" "$2"
  else printf '   %-58s   fehlt   %s\n' "$1" "$2"; fi
}
echo
echo "== Ergebnisse in $demo"
zeige "$demo/par0001.dat" "Parameterdatei (LadeParameter)"
zeige "$demo/dat0002.dat" "Rohdatendatei (LeseDaten)"
for f in "$demo"/Daten/Daten*; do [ -e "$f" ] && zeige "$f" "nummerierte Kopie der Rohdaten"; done
zeige "$demo/synop.txt" "SYNOP-Meldung (LeseSYNOP)"
zeige "$demo/wetter.html" "HTML-Seite (LeseHTML)"
zeige "$demo/NUVARKom.log" "Protokolldatei"
zeige "$demo/nuvarsim.log" "Rahmenprotokoll von nuvarsim"
if [ -s "$demo/synop.txt" ]; then
  echo
  echo "== SYNOP-Meldung"
  sed 's/^/   /' "$demo/synop.txt"
fi
