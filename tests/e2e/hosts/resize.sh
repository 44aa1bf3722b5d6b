#!/bin/sh
echo 'ready?'
read go
echo "before: $(stty size)"
echo 'resize me'
read go
echo "after: $(stty size)"
echo 'done.'
read stay
