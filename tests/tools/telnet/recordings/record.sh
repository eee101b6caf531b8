#!/bin/sh
# Re-records the program output replayed by the differential test.
# Each program runs with TERM=vt100 in an 80x25 tmux pane; pipe-pane keeps its raw bytes.
set -eu
out=$(cd "$(dirname "$0")" && pwd)
sock=telnet-rec-$$
demo=$(mktemp -d)
trap 'tmux -L $sock kill-server 2>/dev/null || true; rm -rf "$demo"' EXIT
mkdir -p "$demo/src" "$demo/docs"
touch "$demo/notes.txt" "$demo/build.sh" "$demo/archive.tar.gz"
chmod +x "$demo/build.sh"
ln -s notes.txt "$demo/latest"

record() { # name command keys...
    name=$1 cmd=$2
    shift 2
    rm -f "$out/$name.vt"
    tmux -L $sock -f /dev/null new-session -d -x 80 -y 25 -s rec \
        "cd $demo && env -i PATH=/usr/bin:/bin HOME=$demo TERM=vt100 LANG=C PS1='\$ ' $cmd"
    tmux -L $sock pipe-pane -o -t rec "cat >> '$out/$name.vt'"
    sleep 0.5
    for k in "$@"; do
        case $k in
        @*) sleep "${k#@}" ;;
        *) tmux -L $sock send-keys -t rec "$k" ;;
        esac
    done
    sleep 0.5
    tmux -L $sock kill-server 2>/dev/null || true
    sleep 0.2
}

record shell "sh -i" \
    "echo hello from the shell; pwd" Enter @0.3 \
    "printf 'tab\\tstops\\tare\\tevery\\teight\\n'" Enter @0.3 \
    "echo a long line that runs past the right margin of the eighty column screen and wraps" Enter @0.3 \
    "seq 1 40" Enter @0.3 "clear; echo cleared" Enter @0.3 "exit" Enter
record ls_color "sh -i" "ls -l --color=always" Enter @0.3 "ls --color=always -a" Enter @0.3 "exit" Enter
record top "sh -c 'top -b -n 1 -w 80 | head -n 30; sleep 1'" @1.5
E="Enter @0.5"
# shellcheck disable=SC2086
record vttest_cursor "vttest" 1 $E $E $E $E $E $E $E 0 Enter @0.5
# shellcheck disable=SC2086
record vttest_screen "vttest" 2 $E $E $E $E $E $E $E $E $E $E $E $E $E $E $E $E 0 Enter @0.5
