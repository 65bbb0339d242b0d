#!/usr/bin/env bash
# The real program under a headless Wayland compositor: started under another
# file name, its window maps with the app id of the desktop entry
# (orvantis.desktop) and the title of an empty card.
#   wayland_e2e.sh <build folder>
set -euo pipefail
build=$1
work=$(mktemp -d)
export XDG_RUNTIME_DIR=$work/runtime
mkdir -m 700 "$XDG_RUNTIME_DIR"
compositor=
program=
finish() {
  kill "$program" "$compositor" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap finish EXIT

weston --backend=headless-backend.so --socket=orvantis-test --idle-time=0 --width=1280 --height=1024 \
  >"$work/compositor.log" 2>&1 &
compositor=$!
for _ in $(seq 50); do [[ -S $XDG_RUNTIME_DIR/orvantis-test ]] && break; sleep 0.2; done
[[ -S $XDG_RUNTIME_DIR/orvantis-test ]] || { echo "weston did not start"; cat "$work/compositor.log"; exit 1; }

# A copy under another name finds its resources beside itself.
mkdir "$work/copy"
cp "$build/orvantis" "$work/copy/card-maker"
ln -s "$(cd "$build" && pwd)/res" "$work/copy/res"
WAYLAND_DISPLAY=orvantis-test QT_QPA_PLATFORM=wayland WAYLAND_DEBUG=client XDG_CONFIG_HOME=$work/config \
  XDG_STATE_HOME=$work/state "$work/copy/card-maker" >"$work/protocol.log" 2>&1 &
program=$!

# Mapped: the compositor's configure acknowledged and a buffer committed after it.
mapped() { awk '/ack_configure/ {acked = 1} acked && /wl_surface@[0-9]*\.attach/ {found = 1} END {exit !found}' "$work/protocol.log"; }
for _ in $(seq 100); do mapped && break; sleep 0.2; done
mapped || { echo "the window did not map"; tail -n 20 "$work/protocol.log"; exit 1; }
grep -q 'xdg_toplevel@[0-9]*\.set_app_id("orvantis")' "$work/protocol.log" ||
  { echo "the app id is not orvantis:"; grep 'set_app_id' "$work/protocol.log"; exit 1; }
grep -q 'xdg_toplevel@[0-9]*\.set_title("Orvantis")' "$work/protocol.log" || { echo "no title"; exit 1; }
echo "the window maps under Wayland with the app id orvantis"
