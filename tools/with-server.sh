#!/usr/bin/env bash
# with-server.sh KIND TEMPLATE -- command [args]
#
# Starts a Unix server (KIND nginx, or nginxother for a second one beside
# it, tinyproxy, ftp, smtp, nntp, or tls, tlsother, tlsstatus and
# tlsrequest: "openssl s_server" with the arguments of the template, serving
# tests/security/data/https, or ssl3, ssl3key768, ssl3key512 and
# ssl3request: the same with the openssl command that tools/setup.sh builds
# with SSL 3.0, or tlsfront: a TLS front relaying to the nntp
# server started before it, or ssl2 and tls10: the SSL 2.0 and TLS 1.0 web
# servers of our own, or gnutls: "gnutls-serv --http" with the arguments of
# the template, in a network namespace whose only address is loopback, as it
# cannot be told to listen on 127.0.0.1 alone) on a free port of 127.0.0.1
# as a child of this script, runs the command with the port in
# ZINTU_<KIND>_PORT (upper case) and its scratch folder in ZINTU_<KIND>_DIR,
# then kills the server and waits for it.
# Programs under Wine cannot wait for Unix children, hence this wrapper.
#
# TEMPLATE is a configuration file in which @PORT@ becomes the port, @DIR@ a
# fresh scratch folder (for pid, logs and temp files) and @SRC@ the source
# tree. Chain wrappers for several servers. The servers of our own scripts
# (ftp, smtp, nntp, ssl2, tls10 in tests/support/servers) take no template: pass "-".
set -u
kind=$1 template=$2
shift 2
[ "${1:-}" = "--" ] && shift
src=$(cd "$(dirname "$0")/.." && pwd)
dir=$(mktemp -d)
# The openssl command that still speaks SSL 3.0, built by tools/setup.sh.
ssl3_openssl=${ZINTU_DEPS_CACHE:-/var/cache/zintu-deps}/openssl-ssl3
conf=$dir/server.conf

# Starts the server on a fresh port; answers 0 once it accepts connections
# and is still alive a moment after the first one (tinyproxy has been seen
# to die after answering the readiness probe).
start_server() {
  port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
  [ "$template" = - ] || sed -e "s|@PORT@|$port|g" -e "s|@DIR@|$dir|g" -e "s|@SRC@|$src|g" "$template" >"$conf"
  case $kind in
    nginx | nginxother) server=(nginx -p "$dir" -c "$conf" -g 'daemon off;') ;;
    tinyproxy) server=(tinyproxy -d -c "$conf") ;;
    tls | tlsother | tlsstatus | tlsrequest)
      server=(bash -c "cd '$src/tests/security/data/https' && exec openssl s_server -accept 127.0.0.1:$port $(cat "$conf")") ;;
    ssl3 | ssl3key768 | ssl3key512 | ssl3request)
      server=(bash -c "cd '$src/tests/security/data/https' && exec '$ssl3_openssl' s_server -accept 127.0.0.1:$port $(cat "$conf")") ;;
    gnutls)
      server=(bash -c "cd '$src/tests/security/data/https' && exec /usr/bin/python3 \
        '$src/tests/support/servers/isolated_server.py' $port '$dir' gnutls-serv $(cat "$conf")") ;;
    ftp | smtp | nntp | ssl2 | tls10) server=(/usr/bin/python3 "$src/tests/support/servers/${kind}_server.py" "$port" "$dir") ;;
    tlsfront) server=(/usr/bin/python3 "$src/tests/support/servers/tls_front.py" "$port" "$dir") ;;
    *) echo "with-server.sh: unknown server kind $kind" >&2; exit 2 ;;
  esac
  "${server[@]}" >"$dir/server.out" 2>&1 &
  pid=$!
  for _ in $(seq 1 200); do
    if (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then
      sleep 0.2
      kill -0 "$pid" 2>/dev/null && return 0
      break
    fi
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.05
  done
  kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null
  return 1
}

ready=
for _ in 1 2 3; do
  if start_server; then ready=1; break; fi
done
if [ -z "$ready" ]; then
  echo "with-server.sh: $kind did not start:" >&2
  cat "$dir/server.out" >&2
  rm -rf "$dir"
  exit 1
fi

var=ZINTU_$(printf '%s' "$kind" | tr '[:lower:]' '[:upper:]')_PORT
export "$var=$port"
# The scratch folder too, so a test can read what the server logged there.
export "${var%_PORT}_DIR=$dir"
# Wine passes the Unix environment on to the Windows program.
"$@"
rc=$?
kill "$pid" 2>/dev/null
wait "$pid" 2>/dev/null
rm -rf "$dir"
exit $rc
