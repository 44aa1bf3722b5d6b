#!/bin/sh
# Says one line and hangs up.
echo 'bye.'
sleep 1
