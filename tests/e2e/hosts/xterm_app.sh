#!/bin/sh
# Runs a full-screen program for an xterm client: $1 names a marker file
# written when the program has ended (with its exit status), the rest is the
# program and its arguments. Korean locale when the machine has it; a home of
# its own so no user's settings apply. Stays until the client leaves, since
# telnetd drops output still in the pty when its program exits.
marker="$1"
shift
if locale -a 2>/dev/null | grep -qix 'ko_KR.cp949'; then
  export LANG=ko_KR.CP949 LC_ALL=ko_KR.CP949
fi
HOME="$(mktemp -d)"
export HOME
cd "$HOME" || exit 1
"$@"
echo "$?" >"$marker"
read stay
