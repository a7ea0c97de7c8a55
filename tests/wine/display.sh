# Sourced by the scripts that run kaldrin.exe under Wine without a screen of
# their own (the end-to-end tests, the start-up benchmark).
#
# start_display: starts an Xvfb server on a free display number (Xvfb picks
# it and writes it to fd 3), exports DISPLAY, and arranges that the server
# and the Wine prefix's processes end when the script exits. Returns 1 when
# the server does not come up.

start_display() {
  display_file=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1280x900x24 -nolisten tcp 3>"$display_file" >/dev/null 2>&1 &
  xvfb_pid=$!
  trap stop_display EXIT
  trap 'exit 130' INT TERM
  for _ in $(seq 1 100); do
    [ -s "$display_file" ] && break
    sleep 0.1
  done
  [ -s "$display_file" ] || return 1
  DISPLAY=":$(head -n 1 "$display_file")"
  export DISPLAY
}

stop_display() {
  wineserver -k >/dev/null 2>&1 || true
  kill "$xvfb_pid" 2>/dev/null || true
  rm -f "$display_file"
}
