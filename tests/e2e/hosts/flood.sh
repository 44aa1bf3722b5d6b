#!/bin/sh
# 50 MB in lines of 79 x's. yes complains when head has had enough.
yes 'xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx' 2>/dev/null | head -c 52428800
echo 'flood over.'
read stay
