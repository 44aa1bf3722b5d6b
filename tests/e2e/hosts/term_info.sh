#!/bin/sh
# Waits for the client's first line: by then the window size it sent when
# telnetd asked has reached the pty (the program starts before that answer).
echo 'ready?'
read go
echo "term: $TERM"
echo "size: $(stty size)"
printf 'korean: \307\321\261\333\n'
# A bare CR goes out as CR NUL.
printf 'bare\rCR\n'
echo 'done.'
# telnetd drops output still in the pty when the program exits, so stay
# until the client leaves.
read stay
