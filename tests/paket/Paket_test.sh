#!/usr/bin/env bash
# The Debian package as a station PC gets it: built from this build tree,
# checked by lintian, unpacked into a temporary root (nothing is installed
# into the machine), and its NUVARKom run from there with a fresh HOME: the
# first start creates and seeds the user's program directory, an unattended
# "LeseDaten" against the unpacked nuvarsim on a pseudo-terminal leaves its
# files where the README says, and nothing overwrites what the user changed.
#
# Usage: Paket_test.sh BUILD_DIR
set -uo pipefail
# Descriptors inherited from the caller (a landing's lock file, for one) are
# no business of the programs started here: a program that outlived the test
# would keep the lock held.
for fd in /proc/$$/fd/*; do
  fd="${fd##*/}"
  if [ "$fd" -gt 2 ] 2> /dev/null; then eval "exec $fd>&-" 2> /dev/null || true; fi
done
build="$(cd "$1" && pwd)"
tmp="$(mktemp -d "${TMPDIR:-/tmp}/nuvar-paket.XXXXXX")"
# Every program started in the background gets a process group of its own
# (setsid) and a bounded life (timeout), and the group is ended on every way
# out of this script, so no NUVARKom or nuvarsim outlives the test. Killing
# only the PID of "lauf ... &" would end the subshell and leave its child.
gruppen=()
beende_gruppe() {  # beende_gruppe PGID: TERM, up to 5 s, then KILL
  local g="$1"
  kill -TERM -- "-$g" 2>/dev/null || return 0
  for _ in $(seq 50); do kill -0 -- "-$g" 2>/dev/null || return 0; sleep 0.1; done
  kill -KILL -- "-$g" 2>/dev/null
  return 0
}
aufraeumen() {
  # A second signal (timeout sends one to the whole group) must not cut
  # the clean-up short.
  trap '' INT TERM HUP
  for g in "${gruppen[@]}"; do beende_gruppe "$g"; done
  rm -rf "$tmp"
}
trap aufraeumen EXIT
trap 'exit 130' INT
trap 'exit 143' TERM HUP
# im_hintergrund SECONDS COMMAND...: starts COMMAND as leader of a new
# process group, ended by timeout after SECONDS at the latest; sets $letzte.
im_hintergrund() {
  local sekunden="$1"; shift
  setsid timeout -k 5 "$sekunden" "$@" &
  letzte=$!
  gruppen+=("$letzte")
}

fehler=0
ok() { echo "ok   $*"; }
falsch() { echo "FAIL $*"; fehler=$((fehler + 1)); }
pruefe() {  # pruefe TEXT COMMAND...
  local text="$1"; shift
  if "$@"; then ok "$text"; else falsch "$text"; fi
}
abbruch() { falsch "$*"; echo "$fehler failed"; exit 1; }

# --- build the package -------------------------------------------------------
cpack --config "$build/CPackConfig.cmake" -G DEB -B "$tmp/cpack" > "$tmp/cpack.log" 2>&1 ||
  { cat "$tmp/cpack.log"; abbruch "cpack -G DEB"; }
debs=("$tmp"/cpack/nuvar_*.deb)
[ -f "${debs[0]}" ] || abbruch "cpack made no nuvar_*.deb"
deb="${debs[0]}"
ok "package $(basename "$deb") ($(stat -c %s "$deb") bytes)"

# --- lintian: no errors; the rest is shown -----------------------------------
if command -v lintian > /dev/null; then
  lintian --display-info --pedantic --fail-on error "$deb" > "$tmp/lintian.log" 2>&1
  rc=$?
  grep -v 'running with root privileges' "$tmp/lintian.log" | sed 's/^/     lintian: /'
  pruefe "lintian finds no error" [ "$rc" -eq 0 ]
elif [ -n "${CI:-}" ]; then
  falsch "lintian is missing (scripts/setup.sh installs it)"
else
  echo "skip lintian (not installed; scripts/setup.sh installs it)"
fi

# --- control data ------------------------------------------------------------
depends="$(dpkg-deb -f "$deb" Depends)"
pruefe "Depends from dpkg-shlibdeps and the Qt platform plugins ($depends)" \
  bash -c '[[ "$1" == *libqt6core6* && "$1" == *libqt6serialport6* && "$1" == *qt6-qpa-plugins* ]]' _ "$depends"
beschreibung="$(dpkg-deb -f "$deb" Description)"
pruefe "description in English and German" \
  bash -c '[[ "$1" == *"weather stations"* && "$1" == *"Wetterstationen"* ]]' _ "$beschreibung"

# --- the layout --------------------------------------------------------------
root="$tmp/root"
dpkg-deb -x "$deb" "$root" || abbruch "dpkg-deb -x"
erwartet=(
  usr/bin/NUVARKom usr/bin/nuvarsim usr/bin/nuvardde
  usr/share/nuvar/NUVARWin.ini
  usr/share/applications/nuvarkom.desktop usr/share/icons/hicolor/scalable/apps/nuvarkom.svg
  usr/lib/udev/rules.d/99-nuvar.rules
  usr/share/man/man1/NUVARKom.1.gz usr/share/man/man1/nuvarsim.1.gz usr/share/man/man1/nuvardde.1.gz
  usr/share/doc/nuvar/copyright usr/share/doc/nuvar/changelog.gz usr/share/doc/nuvar/README.md
  usr/share/doc/nuvar/examples/seq0101.seq
  "usr/share/doc/nuvar/examples/systemd/nuvar-sequenz@.service"
  "usr/share/doc/nuvar/examples/systemd/nuvar-sequenz@.timer"
)
if [ -e "$build/bin/NuvarCfg" ]; then
  erwartet+=(usr/bin/NuvarCfg usr/share/man/man1/NuvarCfg.1.gz usr/share/nuvar/geber.ini usr/share/nuvar/kanal.ini
             usr/share/nuvar/config.ini usr/share/applications/nuvarcfg.desktop
             usr/share/icons/hicolor/scalable/apps/nuvarcfg.svg)
fi
fehlend=()
for f in "${erwartet[@]}"; do [ -e "$root/$f" ] || fehlend+=("$f"); done
pruefe "package holds ${#erwartet[@]} expected files${fehlend[*]:+, missing: ${fehlend[*]}}" [ ${#fehlend[@]} -eq 0 ]

# --- systemd units: syntax and references ------------------------------------
if command -v systemd-analyze > /dev/null; then
  # A copy whose ExecStart names the unpacked program, and man finds the
  # unpacked manual page: verify checks both. It reports problems as text
  # and still exits 0 for some (an unknown key), so any output fails.
  mkdir -p "$tmp/units"
  for f in "$root"/usr/share/doc/nuvar/examples/systemd/*; do
    sed "s|/usr/bin/|$root/usr/bin/|g" "$f" > "$tmp/units/$(basename "$f")"
  done
  ausgabe="$(cd "$tmp/units" && MANPATH="$root/usr/share/man" systemd-analyze verify \
             "$tmp/units/nuvar-sequenz@seq0101.service" "$tmp/units/nuvar-sequenz@seq0101.timer" 2>&1)"
  rc=$?
  [ -n "$ausgabe" ] && echo "$ausgabe" | sed 's/^/     systemd-analyze: /'
  pruefe "systemd-analyze verify nuvar-sequenz@seq0101.service and .timer" [ "$rc" -eq 0 -a -z "$ausgabe" ]
else
  echo "skip systemd-analyze verify (not available)"
fi

# --- running the unpacked programs -------------------------------------------
home="$tmp/home"
mkdir -p "$home" "$tmp/run"
chmod 700 "$tmp/run"
daten="$home/.local/share/nuvar"
# Only what a login would give: no NUVAR_HOME, no XDG_DATA_HOME of the caller.
lauf() {
  timeout -k 5 120 env -i PATH=/usr/bin:/bin HOME="$home" LANG=C.UTF-8 XDG_RUNTIME_DIR="$tmp/run" QT_QPA_PLATFORM=offscreen "$@"
}

version="$(lauf "$root/usr/bin/NUVARKom" --version 2>&1)"
pruefe "--version names the user's directory before it exists" \
  bash -c '[[ "$1" == *"Programmverzeichnis: $2"* && "$1" == *"persönliches Verzeichnis"* && ! -e "$2" ]]' _ "$version" "$daten"
echo "$version" | sed 's/^/     /'
if [ -e "$root/usr/bin/NuvarCfg" ]; then
  cfgversion="$(lauf "$root/usr/bin/NuvarCfg" --version 2>&1)"
  pruefe "NuvarCfg --version names the same directory" \
    bash -c '[[ "$1" == *"Loggerkonfigurator"* && "$1" == *"Programmverzeichnis: $2"* ]]' _ "$cfgversion" "$daten"
fi

# First start as from the desktop menu: the window opens (offscreen) and
# the directory appears; then it is ended.
im_hintergrund 60 env -i PATH=/usr/bin:/bin HOME="$home" LANG=C.UTF-8 XDG_RUNTIME_DIR="$tmp/run" \
  QT_QPA_PLATFORM=offscreen "$root/usr/bin/NUVARKom" > "$tmp/erster-start.log" 2>&1
erster=$letzte
for _ in $(seq 300); do [ -e "$daten/NUVARWin.ini" ] && break; sleep 0.1; done
sleep 0.5
beende_gruppe "$erster"
wait "$erster" 2>/dev/null
pruefe "first start creates $daten" [ -d "$daten" ]
geseedet=1
for f in "$root"/usr/share/nuvar/*; do cmp -s "$f" "$daten/$(basename "$f")" || geseedet=0; done
pruefe "first start seeds it with every shipped file ($(cd "$root/usr/share/nuvar" && echo *))" [ $geseedet -eq 1 ]

# The operator's changes, as the README's first-start section tells:
# unattended, protocol on, COM1 = the logger (here nuvarsim's link).
link="$tmp/logger"
sed -i -e 's/^Unbeaufsichtigt=0/Unbeaufsichtigt=1/' -e 's/^SchreibeLogDatei=0/SchreibeLogDatei=1/' \
  -e "/^\[Schnittstellen\]/a COM1=$link" "$daten/NUVARWin.ini"
cp "$daten/NUVARWin.ini" "$tmp/NUVARWin.ini.bearbeitet"
pruefe "the example settings take the operator's changes" \
  grep -qx "Unbeaufsichtigt=1" "$daten/NUVARWin.ini"
cp "$root/usr/share/doc/nuvar/examples/seq0101.seq" "$daten/"

im_hintergrund 600 "$root/usr/bin/nuvarsim" --link "$link" --uhr "2026-03-01 08:00:00" --nicht-aufzeichnen --saetze 20 \
  --log "$tmp/nuvarsim.log" > "$tmp/nuvarsim.pfad" 2>&1
sim=$letzte
for _ in $(seq 100); do [ -s "$tmp/nuvarsim.pfad" ] && [ -e "$link" ] && break; sleep 0.1; done
[ -e "$link" ] || { cat "$tmp/nuvarsim.pfad" "$tmp/nuvarsim.log"; abbruch "unpacked nuvarsim starts on a pty"; }
ok "unpacked nuvarsim on $(head -n1 "$tmp/nuvarsim.pfad")"

timeout 300 env -i PATH=/usr/bin:/bin HOME="$home" LANG=C.UTF-8 XDG_RUNTIME_DIR="$tmp/run" \
  QT_QPA_PLATFORM=offscreen "$root/usr/bin/NUVARKom" "/auto,$daten/seq0101.seq" > "$tmp/lesedaten.log" 2>&1
rc=$?
pruefe "unattended LeseDaten ends with exit code 0" [ "$rc" -eq 0 ]
groesse=$(stat -c %s "$daten/dat0101.dat" 2>/dev/null || echo 0)
pruefe "raw data file dat0101.dat beside the sequence file ($groesse bytes, 20 records)" [ "$groesse" -gt 1700 ]
pruefe "numbered copy Daten/Daten000.101 in the program directory" cmp -s "$daten/dat0101.dat" "$daten/Daten/Daten000.101"
pruefe "protocol file NUVARKom.log in the program directory" grep -q "Protokolldatei" "$daten/NUVARKom.log"
pruefe "a later start overwrites nothing the operator changed" cmp -s "$daten/NUVARWin.ini" "$tmp/NUVARWin.ini.bearbeitet"
if [ $fehler -ne 0 ]; then
  sed 's/^/     NUVARKom: /' "$tmp/lesedaten.log"
  tail -n 30 "$tmp/nuvarsim.log" | sed 's/^/     nuvarsim: /'
fi

# A NUVAR_HOME that names no directory: a clear message and exit 78, and no
# other directory is used instead.
home2="$tmp/home2"
mkdir -p "$home2"
timeout -k 5 120 env -i PATH=/usr/bin:/bin HOME="$home2" LANG=C.UTF-8 XDG_RUNTIME_DIR="$tmp/run" QT_QPA_PLATFORM=offscreen \
  NUVAR_HOME="$tmp/gibt-es-nicht" "$root/usr/bin/NUVARKom" "/auto,$daten/seq0101.seq" > "$tmp/fehlt.log" 2>&1
rc=$?
pruefe "missing NUVAR_HOME: exit code 78" [ "$rc" -eq 78 ]
pruefe "missing NUVAR_HOME: the message names it" grep -q "gibt-es-nicht (NUVAR_HOME) existiert nicht" "$tmp/fehlt.log"
pruefe "missing NUVAR_HOME: nothing created in its place" \
  bash -c '[ ! -e "$1" ] && [ -z "$(ls -A "$2")" ]' _ "$tmp/gibt-es-nicht" "$home2"

if [ $fehler -eq 0 ]; then
  echo "all package checks passed"
  exit 0
fi
echo "$fehler failed"
exit 1
