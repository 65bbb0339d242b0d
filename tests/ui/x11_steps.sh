# Steps of a user at the real program under an X server, for the scripts
# that drive it with xdotool. Sourced; they read $work/errors, where the
# scripts send the program's standard error.

# The window called $1 once it is shown (twenty seconds at most).
window() {
  for _ in $(seq 100); do
    id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1) && [[ -n $id ]] && { echo "$id"; return; }
    sleep 0.2
  done
  echo "no window '$1' appeared" >&2
  cat "$work/errors" >&2
  return 1
}

# Keys $3 to the window called $1; then, in the file dialog called $2, the
# name $4. A dialog takes the keyboard a moment after it shows, and a busy
# machine can drop or reorder what is typed before (the name's completion
# list may take the Return), so the name is typed again while the dialog
# stays open. The file must be written within a minute (the sanitizers'
# builds render slowly).
save_with() {
  xdotool windowfocus --sync "$(window "$1")" key --clearmodifiers "$3"
  local dialog
  dialog=$(window "$2")
  for _ in 1 2 3; do
    xdotool windowfocus --sync "$dialog"
    sleep 1.5
    xdotool key --clearmodifiers ctrl+a
    xdotool type --delay 5 "$4"
    xdotool key Return
    for _ in $(seq 50); do shown "$2" || break; sleep 0.2; done
    shown "$2" || break
  done
  for _ in $(seq 300); do [[ -s $4 ]] && return; sleep 0.2; done
  echo "$4 was not written" >&2
  cat "$work/errors" >&2
  return 1
}

# Whether a window called $1 is shown.
shown() {
  [[ -n $(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null) ]]
}

# A text typed in the window $1 (Ctrl+T, a click at $2,$3 inside it, the
# text $4, Enter).
type_text_at() {
  eval "$(xdotool getwindowgeometry --shell "$1")"
  xdotool windowfocus --sync "$1" key --clearmodifiers ctrl+t
  xdotool mousemove $((X + $2)) $((Y + $3)) click 1
  sleep 0.3
  xdotool type --delay 20 "$4"
  xdotool key Return
}
