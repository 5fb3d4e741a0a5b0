#!/usr/bin/env bash
# "kelpword export --all words.csv" of a study database with a million words
# against two floors, interleaved (the order turns each round): the sqlite3
# shell writing the same rows as CSV straight from the file, and unixODBC's
# isql writing them through the same ODBC driver the program reads with
# (neither splits the transcription from the meaning nor quotes a field).
# Wall time and peak resident memory (GNU time), medians with their spread.
# The program's own floor is the same export of one group. Then the Anki
# package of the same words against a Python writer of the same package
# (bench/apkg_floor.py: sqlite3 and zipfile at the same deflate level).
#   usage: bench/export.sh [rounds] [build-dir] [package rounds]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
rounds=${1:-5}
build=${2:-$root/build}
apkgRounds=${3:-3}
tmp=$(mktemp -d /tmp/kelp-export.XXXXXX)
trap 'rm -rf "$tmp"' EXIT
export ODBCINI="$tmp/odbc.ini"
folder="$tmp/folder"
mkdir -p "$folder"
printf '[Start]\r\nFirst=false\r\n[sjly]\r\nsjms=2\r\n' >"$folder/wkcfg.ini"
# 10,000 groups of 100 words.
sqlite3 "$folder/kelp.mdb" <<'SQL'
create table zb (xh integer primary key, bt varchar(100), sj real, cs integer);
create table fb (xh integer not null, da varchar(50), lx2 varchar(160), xh1 integer);
create index fb_xh_xh1 on fb (xh, xh1);
with recursive g(n) as (select 1 union all select n + 1 from g where n < 10000)
insert into zb select n, 'Unit ' || n, null, 0 from g;
with recursive w(n) as (select 0 union all select n + 1 from w where n < 999999)
insert into fb select n / 100 + 1, 'word' || n, '/wɜːd/ n. 单词' || n || '，词语', n % 100 + 1 from w;
SQL
printf '[kelpbench]\nDriver=SQLite3\nDatabase=%s\n' "$folder/kelp.mdb" >"$tmp/isql.ini"
odbcfloor() {
  echo "select zb.xh, zb.bt, fb.da, fb.lx2 from fb join zb on zb.xh = fb.xh order by fb.xh, fb.xh1" |
    ODBCINI="$tmp/isql.ini" isql -b -d, kelpbench >"$tmp/isql.csv"
}
floor() {
  sqlite3 -csv "$folder/kelp.mdb" \
    "select zb.xh, zb.bt, fb.da, fb.lx2 from fb join zb on zb.xh = fb.xh order by fb.xh, fb.xh1" >"$tmp/floor.csv"
}
measure() { # name command...: appends "seconds kib" to $tmp/name
  local name=$1; shift
  /usr/bin/time -f '%e %M' -o "$tmp/$name.one" "$@" >/dev/null
  cat "$tmp/$name.one" >>"$tmp/$name"
}
: >"$tmp/floor"; : >"$tmp/odbcfloor"; : >"$tmp/kelpword"; : >"$tmp/empty"
for i in $(seq "$rounds"); do
  for which in $(if ((i % 2)); then echo floor odbcfloor kelpword empty; else echo empty kelpword odbcfloor floor; fi); do
    case $which in
      floor) measure floor bash -c "$(declare -f floor); folder='$folder' tmp='$tmp' floor" ;;
      odbcfloor) measure odbcfloor bash -c "$(declare -f odbcfloor); tmp='$tmp' odbcfloor" ;;
      kelpword) measure kelpword "$build/kelpword" export --folder "$folder" --all "$tmp/words.csv" ;;
      empty) measure empty "$build/kelpword" export --folder "$folder" --groups 1-1 "$tmp/one.csv" ;;
    esac
  done
done
median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
spread() { sort -n | awk 'NR==1{a=$1} {b=$1} END {printf "%s-%s", a, b}'; }
col() { awk -v c="$1" '{print $c}' "$tmp/$2"; }
for name in floor odbcfloor kelpword empty; do
  printf '%-9s %6.2f s (%s)  %8.1f MiB (%s MiB)\n' "$name" "$(col 1 $name | median)" "$(col 1 $name | spread)" \
    "$(echo "$(col 2 $name | median) / 1024" | bc -l)" \
    "$(col 2 $name | awk '{print $1/1024}' | spread)"
done
t=$(col 1 kelpword | median); tf=$(col 1 floor | median)
m=$(col 2 kelpword | median); mf=$(col 2 floor | median); me=$(col 2 empty | median)
printf 'time %.2f x the floor; peak memory %.2f x the floor twice plus the empty program (%.1f MiB)\n' \
  "$(echo "$t / $tf" | bc -l)" "$(echo "$m / (2 * $mf + $me)" | bc -l)" "$(echo "(2 * $mf + $me) / 1024" | bc -l)"
to=$(col 1 odbcfloor | median); mo=$(col 2 odbcfloor | median)
printf 'against the floor reading through ODBC: time %.2f x, peak memory %.2f x\n' \
  "$(echo "$t / $to" | bc -l)" "$(echo "$m / $mo" | bc -l)"
wc -l "$tmp/words.csv" "$tmp/floor.csv" "$tmp/isql.csv" | head -3

# The Anki package, against the Python writer of the same package.
"$build/kelpword" export --folder "$folder" --groups 1-1 "$tmp/one.apkg" >/dev/null
mkdir -p "$tmp/unpacked"
(cd "$tmp/unpacked" && unzip -q "$tmp/one.apkg" && sqlite3 collection.anki2 .schema >"$tmp/schema.sql")
: >"$tmp/apkgfloor"; : >"$tmp/apkg"
for i in $(seq "$apkgRounds"); do
  for which in $(if ((i % 2)); then echo apkgfloor apkg; else echo apkg apkgfloor; fi); do
    case $which in
      apkgfloor) measure apkgfloor python3 "$root/bench/apkg_floor.py" "$folder/kelp.mdb" "$tmp/schema.sql" "$tmp/floor.apkg" ;;
      apkg) measure apkg "$build/kelpword" export --folder "$folder" --all "$tmp/words.apkg" ;;
    esac
  done
done
for name in apkgfloor apkg; do
  printf '%-9s %6.2f s (%s)  %8.1f MiB (%s MiB)\n' "$name" "$(col 1 $name | median)" "$(col 1 $name | spread)" \
    "$(echo "$(col 2 $name | median) / 1024" | bc -l)" \
    "$(col 2 $name | awk '{print $1/1024}' | spread)"
done
printf 'package: time %.2f x the Python writer\n' "$(echo "$(col 1 apkg | median) / $(col 1 apkgfloor | median)" | bc -l)"
