#!/usr/bin/env bash
# kill -9 of "mivra backup" on a log of 200,000 contacts while it copies and while it compresses: the
# log stays whole, no part-way copy is named as a backup, the next backup removes the hidden files
# and makes one copy, and "mivra restore" of that compressed copy gives a log whose .dump equals the
# original.
program=$(realpath "$1")
fill=$(realpath "$(dirname "$0")/../../bench/fill_log.sql")
source "$(dirname "$0")/cli_support.sh"
seed_log
sqlite3 "$db" -cmd "CREATE TEMP TABLE size(n); INSERT INTO size VALUES (200000);" < "$fill"
sqlite3 "$db" .dump > original.sql
named() { ls d/backups 2>/dev/null | grep -c '^backup-' || true; }
hidden() { ls -A d/backups 2>/dev/null | grep -c '^\.backup-' || true; }

# Killed at two moments: once the hidden plain copy has grown, and once a compressed one exists.
for moment in plain packed; do
  "$program" backup --data-dir d > out.txt 2>&1 &
  pid=$!
  caught=0
  for _ in $(seq 1 2000); do
    if [ "$moment" = plain ]; then
      ls -A d/backups 2>/dev/null | grep -q '^\.backup-.*\.sqlite\.' && caught=1
    else
      ls -A d/backups 2>/dev/null | grep -q '^\.backup-.*\.sqlite\.zst\.' && caught=1
    fi
    [ "$caught" = 1 ] && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.005
  done
  [ "$caught" = 1 ] || fail "$moment: the backup ended before it was killed: $(cat out.txt)"
  kill -KILL "$pid"; wait "$pid" 2>/dev/null || true; pid=
  [ "$(named)" -eq 0 ] || fail "$moment: a part-way copy got a name: $(ls d/backups)"
  [ "$(hidden)" -ge 1 ] || fail "$moment: the kill left no hidden file (it was not caught inside the copy)"
  [ "$(sqlite3 "$db" 'PRAGMA integrity_check')" = ok ] || fail "$moment: integrity_check of the log"
  sqlite3 "$db" .dump | cmp -s - original.sql || fail "$moment: the log changed"
done

# The next backup tidies up and makes one whole copy that the zstd tool reads.
"$program" backup --data-dir d > out.txt 2>&1 || fail "the backup after the kills: $(cat out.txt)"
[ "$(hidden)" -eq 0 ] || fail "hidden files left: $(ls -A d/backups)"
[ "$(named)" -eq 1 ] || fail "copies: $(ls d/backups)"
copy=$(ls d/backups/backup-*.sqlite.zst)
zstd -q -t "$copy" || fail "the zstd tool finds the copy damaged"

# Restore from the compressed copy after a change: the log is the original again.
sqlite3 "$db" "DELETE FROM logtab WHERE ID % 7 = 0"
"$program" restore "$copy" --data-dir d > out.txt 2>&1 || fail "restore: $(cat out.txt)"
[ "$(sqlite3 "$db" 'PRAGMA integrity_check')" = ok ] || fail "integrity_check after the restore"
sqlite3 "$db" .dump | cmp -s - original.sql || fail "the restored log differs from the original"
echo "crash_backup: ok"
