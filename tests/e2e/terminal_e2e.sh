#!/usr/bin/env bash
# quorvex.exe under Wine on a real terminal (a tmux pane, which Wine gives a
# console), against registry texts that hold control characters
# (scenarios/terminal.reg.utf8): the screen must show every real value, no
# line forged by a carriage return or a line feed, nothing erased or cleared,
# and the pane's title as it was. The same run redirected to a file must hold
# the texts' exact bytes. scenarios/terminal.expected is the NVIDIA phase as a
# console gets it.
# Usage: terminal_e2e.sh QUORVEX_EXE SCRATCH_FOLDER
set -euo pipefail

# shellcheck source=frame.sh
source "$(dirname "${BASH_SOURCE[0]}")/frame.sh"
e2e_begin "$@"

# The console form back to the bytes the registry holds: each control
# picture to its control, each \xHH to the C1 control as UTF-8 encodes it.
console_to_bytes() {
  perl -pe 's/␍/\r/g; s/␊/\n/g; s/␛/\e/g; s/␇/\a/g; s/␡/\x7f/g;
            s/\\x([89][0-9A-F])/"\xc2" . chr(hex($1))/ge' "$1"
}

wine_session_start "$scratch/prefix"
socket="quorvex-e2e-$$"
stop_tmux() {
  tmux -L "$socket" kill-server >/dev/null 2>&1 || true
  rm -f "${TMUX_TMPDIR:-/tmp}/tmux-$(id -u)/$socket"
}
trap 'stop_tmux; wine_session_stop' EXIT
e2e_import "$scenarios/terminal.reg.utf8" "$scratch" || exit 1

# Redirected: the exact bytes.
status=0
wine_run_report "$exe" "$scratch/report.txt" || status=$?
[[ $status -eq 0 ]] || fail "quorvex.exe redirected to a file exited with $status"
nvidia_phase "$scratch/report.txt" >"$scratch/file-nvidia.txt"
console_to_bytes "$scenarios/terminal.expected" >"$scratch/file-expected.txt"
if ! cmp -s "$scratch/file-expected.txt" "$scratch/file-nvidia.txt"; then
  diff -u <(cat -v "$scratch/file-expected.txt") <(cat -v "$scratch/file-nvidia.txt") >&2 || true
  fail "redirected output does not hold the registry texts' exact bytes"
fi

# On a terminal. The pane sets its own title first, so that a title the
# program's output would set shows as a change.
title="quorvex-terminal-e2e"
unset TMUX
tmux -L "$socket" -f /dev/null new-session -d -x 200 -y 60 \
  "printf '\\033]2;$title\\033\\\\'; env LANG=C.UTF-8 wine '$exe'; echo \$? >'$scratch/tty-status'"
prompt_seen=false
for _ in $(seq 1 300); do
  if tmux -L "$socket" capture-pane -p | grep -qF '[TAMBRO] Press Enter to exit...'; then
    prompt_seen=true
    break
  fi
  sleep 0.2
done
tmux -L "$socket" capture-pane -p -J >"$scratch/screen.txt" || true
shown_title=$(tmux -L "$socket" display-message -p '#{pane_title}' || true)
tmux -L "$socket" send-keys Enter || true
for _ in $(seq 1 150); do
  [[ -s "$scratch/tty-status" ]] && break
  sleep 0.2
done
stop_tmux

if ! $prompt_seen; then
  fail "the prompt never showed on the terminal; the screen was:"
  cat "$scratch/screen.txt" >&2
else
  [[ "$(cat "$scratch/tty-status" 2>/dev/null)" == 0 ]] ||
    fail "quorvex.exe on the terminal exited with '$(cat "$scratch/tty-status" 2>/dev/null)'"
  [[ "$shown_title" == "$title" ]] || fail "the pane title became '$shown_title'"
  # The whole screen is the redirected report with the NVIDIA phase in its
  # console form. Wine's C runtime hands a console each byte above 0x7F as the
  # Latin-1 character of that value, so a control picture shows as a stray
  # letter there; the comparison leaves non-ASCII out and holds every ASCII
  # character, line by line.
  {
    sed '/^\[TAMBRO\] \[NVIDIA\] Initialise successfully!$/,$d' "$scratch/report.txt"
    cat "$scenarios/terminal.expected"
    sed '1,/^\[TAMBRO\] \[NVIDIA\] Cleanup successfully!$/d' "$scratch/report.txt"
    echo  # the prompt has no line end; its screen row does
  } >"$scratch/screen-expected.txt"
  # Trailing blanks and the empty rows below the prompt are the pane's, not the report's.
  ascii_screen() {
    LC_ALL=C tr -d '\200-\377' <"$1" | sed 's/[[:space:]]*$//' |
      sed -e ':more' -e '/^\n*$/{$d;N;b more' -e '}'
  }
  if ! diff -u <(ascii_screen "$scratch/screen-expected.txt") <(ascii_screen "$scratch/screen.txt") >"$scratch/screen.diff"; then
    cat "$scratch/screen.diff" >&2
    fail "the terminal does not show the report line for line"
  fi
fi

check_finish "on a terminal the texts' controls are shown, not obeyed; redirected output is exact" "$scratch"
