#!/bin/sh
# A host for finding: five thousand lines of a log with one marker line in
# Korean (code page 949) in the middle, a URL long enough to wrap at the
# margin of 80 columns, and "end of log"; then stays until the client leaves
# (telnetd drops output still in the pty when its program exits).
awk 'BEGIN {
  for (i = 1; i <= 5000; i++)
    if (i == 2500) printf "%d \307\321\261\333 \307\245\275\304 \301\331\n", i
    else printf "%d kernel: usb 1-1: new high-speed USB device number %d\n", i, i % 128
}'
printf 'manual: https://docs.example.com/guides/terminal/search-and-links/%s.html\n' \
  'korean-hosts-and-the-scroll-back'
echo 'end of log'
read stay
