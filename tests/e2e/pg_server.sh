# Sourced by the shared-log scripts after xvfb_support.sh: a PostgreSQL server of the script's own in
# $work/pg (initdb and pg_ctl as nobody when run as root, listening only on a Unix socket there), the
# processes in pids killed and the server stopped at the end, the folder removed. Sets bin, url.
bin=$(ls -d /usr/lib/postgresql/*/bin | sort -V | tail -1)
as_server() { if [ "$(id -u)" -eq 0 ]; then setpriv --reuid=nobody --regid=nogroup --clear-groups "$@"; else "$@"; fi; }
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill -KILL "$p" 2>/dev/null || true; done
  [ -f "$work/pg/data/postmaster.pid" ] && as_server "$bin/pg_ctl" -D "$work/pg/data" -m immediate -w stop >/dev/null 2>&1
  rm -rf "$work"
}
trap cleanup EXIT
chmod 755 "$work"
mkdir -p "$work/pg"
[ "$(id -u)" -eq 0 ] && chown nobody:nogroup "$work/pg"
as_server "$bin/initdb" -D "$work/pg/data" -U mivra -A trust -E UTF8 --no-sync --locale=C >/dev/null
server_start() {
  as_server "$bin/pg_ctl" -D "$work/pg/data" -l "$work/pg/log" -w \
    -o "-k $work/pg -c listen_addresses='' -F" start >/dev/null
}
server_start
url="postgresql:///postgres?host=$work/pg&user=mivra"
