#!/usr/bin/env bash
# Takes the README's pictures: starts ./run under Xvfb (1366x768, the smallest screen we fit)
# with a window manager on a fresh demo database, drives the real windows with the keyboard
# alone (xdotool) and saves PNG files in docs/.
#   scripts/screenshots.sh            (needs xvfb, openbox, xdotool and imagemagick; installs them)
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD

if [ "${1:-}" != "--inside" ]; then
  need=()
  for p in xvfb xauth openbox xdotool imagemagick; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || need+=("$p")
  done
  if [ ${#need[@]} -gt 0 ]; then
    SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO="sudo"
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${need[@]}"
  fi
  scripts/ensure-deps.sh
  scripts/build.sh
  exec xvfb-run -a -s "-screen 0 1366x768x24" "$0" --inside
fi

WORK=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$WORK"' EXIT
export XDG_DATA_HOME="$WORK/data" XDG_CONFIG_HOME="$WORK/config"
openbox >/dev/null 2>&1 &
sleep 1
./run --open criaTabGeral >"$WORK/run.log" 2>&1 &
RUN=$!

shot() { sleep 2; import -window root "$ROOT/docs/$1.png"; echo "docs/$1.png"; }
keys() { xdotool key --delay 150 "$@"; sleep 0.5; }

for _ in $(seq 1 150); do
  grep -q getVigenciaTab "$WORK/run.log" 2>/dev/null && break
  sleep 0.2
done
WIN=$(xdotool search --name "Retaguarda" | head -1 || true)
[ -n "$WIN" ] || { cat "$WORK/run.log"; echo "A janela não abriu." >&2; exit 1; }
xdotool windowactivate --sync "$WIN" || true
shot tabela-folha-de-dados
keys ctrl+f
shot procurar
keys Escape
keys alt+o
shot tabela-formulario
keys alt+l
shot tabela-filiais
keys alt+d alt+r t
shot ferramenta-exportar
keys Escape
keys alt+r m
shot ferramenta-promocao
keys Escape
keys alt+r d
shot ferramenta-preco-diferenciado
keys Escape
keys alt+a t
shot entrar
keys Escape
xdotool key alt+F4 || true
sleep 1
kill "$RUN" 2>/dev/null || true
wait "$RUN" 2>/dev/null || true
