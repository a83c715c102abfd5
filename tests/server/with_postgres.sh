#!/usr/bin/env bash
# with_postgres.sh COMMAND...: runs COMMAND with a throwaway PostgreSQL 15
# cluster of its own (Debian's pg_virtualenv: a temporary folder, a free
# port on localhost, the PG* variables set), removed afterwards. As root the
# cluster runs as the postgres user, since PostgreSQL refuses root.
set -euo pipefail
command -v pg_virtualenv >/dev/null || {
  echo "with_postgres.sh: pg_virtualenv is missing (scripts/deps.sh test installs postgresql)" >&2
  exit 1
}
export DRAVIK_TEST_POSTGRES=1
exec pg_virtualenv -t -o fsync=on -- "$@"
