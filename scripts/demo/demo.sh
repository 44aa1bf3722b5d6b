#!/bin/sh
# The session scripts/run shows: a greeting, what to try, colours, boxes drawn
# both ways, then a shell. The text is kept in UTF-8 here and leaves in code
# page 949, the bytes the terminal expects.
here=$(cd "$(dirname "$0")" && pwd)
e=$(printf '\033')
so=$(printf '\016')
si=$(printf '\017')
r="${e}[0m"

{
    cat <<EOF

  ${e}[1;36m안녕하세요! Brevanix 데모 호스트입니다.${r}

  Brevanix는 한글 데스크톱에서 유닉스·리눅스 호스트에 접속하는 텔넷
  터미널입니다. 글자는 코드 페이지 949로 주고받습니다. 이 호스트는
  127.0.0.1에서 이 연결 하나만을 위해 열렸습니다 (터미널 종류: ${TERM:-?}).

  이렇게 해 보세요:
   ${e}[33m*${r} 마우스로 글자를 끌어 선택하고 Alt+C로 복사, Alt+V로 붙여넣기
   ${e}[33m*${r} Shift+PageUp / Shift+PageDown으로 지나간 줄 보기
   ${e}[33m*${r} 도구 모음의 Log view 단추로 로그 창 열기

  색: ${e}[31m빨강 ${e}[32m초록 ${e}[33m노랑 ${e}[34m파랑 ${e}[35m자주 ${e}[36m청록 ${e}[1;37m흰색${r} ${e}[7m반전${r} ${e}[41m  ${e}[42m  ${e}[43m  ${e}[44m  ${e}[45m  ${e}[46m  ${r}

  ┌─────┐  ${e})0${so}lqqqqqqqqqqk${si}
  │ 코드 949 │  ${so}x${si} VT100 선 ${so}x${si}
  └─────┘  ${so}mqqqqqqqqqqj${si}

  아래는 셸입니다. 끝내려면 exit를 치세요.

EOF
} | iconv -f UTF-8 -t CP949

# telnetd passes on little more than TERM. C keeps the shell from reading the
# bytes as any other encoding; the rc file lets readline pass them as typed.
HOME=${HOME:-$(getent passwd "$(id -u)" | cut -d: -f6)}
PATH=${PATH:-/usr/local/bin:/usr/bin:/bin}
LC_ALL=C
LANG=C
export HOME PATH LC_ALL LANG
cd "${HOME:-/}" 2>/dev/null || cd /
if command -v bash >/dev/null 2>&1; then
    exec bash --noprofile --rcfile "$here/bashrc" -i
fi
PS1='demo$ '
export PS1
exec /bin/sh -i
