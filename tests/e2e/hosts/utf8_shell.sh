#!/bin/sh
# A shell in the Korean UTF-8 locale, in the folder $1, which it fills with
# files named in Korean first: one in decomposed jamo (as some systems write
# file names), one with an emoji, one with a character outside code page 949
# and one with a narrow symbol code page 949 holds as a wide one. Also UTF-8
# text files for an editor.
export LANG=ko_KR.UTF-8 LC_ALL=ko_KR.UTF-8
cd "$1" || exit 1
touch '가나다.txt' '한글문서.hwp' "$(printf '\341\204\222\341\205\241\341\206\253.txt')" \
  "$(printf '\354\202\254\354\247\204\360\237\223\267.jpg')" '个人.txt' \
  '회의·메모.txt'
mkdir '보고서'
printf '첫째 줄: 안녕하세요\n둘째 줄: 한글 UTF-8 파일\n' >'메모.txt'
printf '가·나→个😀|끝\n' >'기호.txt'
PS1='$ ' exec /bin/sh -i
