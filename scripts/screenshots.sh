#!/usr/bin/env bash
# Takes the README's pictures: starts ./run under Xvfb on a fresh demo database, drives the
# real windows with the keyboard and mouse (xdotool) and saves PNG files in docs/.
#   scripts/screenshots.sh            (needs xvfb, xdotool and imagemagick; installs them)
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD

if [ "${1:-}" != "--inside" ]; then
  need=()
  for p in xvfb xauth xdotool imagemagick; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || need+=("$p")
  done
  if [ ${#need[@]} -gt 0 ]; then
    SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO="sudo"
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${need[@]}"
  fi
  scripts/ensure-deps.sh
  scripts/build.sh
  exec xvfb-run -a -s "-screen 0 1280x800x24" "$0" --inside
fi

WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
export XDG_DATA_HOME="$WORK/data" XDG_CONFIG_HOME="$WORK/config"
./run --open criaTabGeral >"$WORK/run.log" 2>&1 &
RUN=$!

shot() { sleep 1.5; import -window root "$ROOT/docs/$1.png"; echo "docs/$1.png"; }
click() { xdotool mousemove "$1" "$2" click 1; }

for _ in $(seq 1 150); do
  grep -q getVigenciaTab "$WORK/run.log" 2>/dev/null && break
  sleep 0.2
done
WIN=$(xdotool search --name "Retaguarda" | head -1 || true)
[ -n "$WIN" ] || { cat "$WORK/run.log"; echo "A janela não abriu." >&2; exit 1; }
# The price table window opens at the top left of the main window's work area; its pages
# are tabs near its top.
eval "$(xdotool getwindowgeometry --shell "$WIN")"
shot tabela-folha-de-dados
click $((X + 165)) $((Y + 171))   # "Formulário"
shot tabela-formulario
click $((X + 238)) $((Y + 171))   # "Filiais"
shot tabela-filiais
xdotool key alt+F4 || true
sleep 1
kill "$RUN" 2>/dev/null || true
wait "$RUN" 2>/dev/null || true
