#!/bin/sh
# Keeps every byte the client types, as it came, in the file named by $1, and
# shows it back the way cat -v does. Raw mode: no line editing, no CR
# translation, no echo of our own. The file appears once that mode is set.
stty raw -echo
printf 'cat -v: '
tee "$1" | cat -v
