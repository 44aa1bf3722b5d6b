#!/bin/sh
# A shell to type into, after a line of Korean.
printf 'korean: \307\321\261\333\n'
PS1='$ ' exec /bin/sh -i
