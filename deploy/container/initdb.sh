#!/bin/bash
# Loads the reference test-case database into a new cluster, as scripts/db
# does: every file of sql/ in name order into $POSTGRES_DB, then no one but the
# administrator may connect to the cluster's other databases or create
# temporary tables. The postgres image runs it once, on the first start with
# an empty data folder (deploy/compose.yaml mounts it into
# /docker-entrypoint-initdb.d and sql/ at /quorax-sql).
#   QUORAX_DEMO_DATA  "no" leaves out the demo rows and the login demo/demo
set -euo pipefail
sql_dir=${QUORAX_SQL_DIR:-/quorax-sql}

run_sql() {
  local database=$1
  shift
  PGOPTIONS="-c client_min_messages=warning" psql -X -q -v ON_ERROR_STOP=1 \
    --username "$POSTGRES_USER" --dbname "$database" "$@"
}

for file in "$sql_dir"/*.sql; do
  [ "${QUORAX_DEMO_DATA:-yes}" = no ] && [[ $file == *_demo_data.sql ]] && continue
  run_sql "$POSTGRES_DB" -f "$file"
done
run_sql postgres -c "REVOKE CONNECT, TEMPORARY ON DATABASE postgres FROM PUBLIC" \
  -c "REVOKE CONNECT, TEMPORARY ON DATABASE template1 FROM PUBLIC" \
  -c "REVOKE TEMPORARY ON DATABASE \"$POSTGRES_DB\" FROM PUBLIC"
