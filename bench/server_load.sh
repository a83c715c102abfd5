#!/usr/bin/env bash
# server_load.sh BUILD_DIR [SECONDS]: what dravik-server takes on this machine,
# measured with wrk against 127.0.0.1 only. For SQLite, then PostgreSQL (a
# throwaway cluster, tests/server/with_postgres.sh): verified submissions a
# second (the stored winning run, each request with other events, re-played
# and stored), then leaderboard reads a second with their latency. Each wrk
# run stops by itself after SECONDS (default 10); the server is stopped after.
set -euo pipefail
build=$(cd "$1" && pwd)
seconds=${2:-10}
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

measure() {
  local db=$1 label=$2
  "$build/dravik-server" --listen 127.0.0.1:0 --db "$db" --submissions-per-minute 0 >"$work/out" 2>"$work/err" &
  local server=$!
  for _ in $(seq 300); do grep -q 'http://' "$work/out" && break; sleep 0.1; done
  local url
  url=$(grep -o 'http://127.0.0.1:[0-9]*' "$work/out")
  echo "== $label: $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg)"
  echo "-- submissions: wrk -t2 -c8 -d${seconds}s -s server_submit.lua $url/api/runs"
  RUN_FILE=$root/tests/data/winning-run.txt THREADS=2 \
    wrk -t2 -c8 -d"${seconds}s" --latency --timeout 10s -s "$here/server_submit.lua" "$url/api/runs?name=load" |
    grep -E 'Requests/sec|requests in|Non-2xx|Socket errors|50%|99%'
  curl -s "$url/api/stats"
  echo
  echo "-- reads: wrk -t2 -c32 -d${seconds}s $url/api/leaderboard"
  wrk -t2 -c32 -d"${seconds}s" --latency --timeout 10s "$url/api/leaderboard" |
    grep -E 'Requests/sec|requests in|Non-2xx|Socket errors|50%|90%|99%'
  echo "-- peak memory of the server: $(grep VmHWM /proc/$server/status)"
  kill $server
  wait $server || true
}

if [ "${1:-}" != --postgres-only ] && [ "${DRAVIK_LOAD_POSTGRES:-}" != inside ]; then
  measure "sqlite:$work/board.sqlite" SQLite
  DRAVIK_LOAD_POSTGRES=inside "$root/tests/server/with_postgres.sh" "$0" "$@"
else
  measure "postgresql://" PostgreSQL
fi
