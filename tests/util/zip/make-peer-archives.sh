#!/usr/bin/env bash
# The peers' archives of one small tree (text rows, a sub-folder, an empty
# file and an empty folder) for the unzip tests: Info-ZIP, 7-Zip (deflate,
# stored, bzip2, LZMA), bsdtar and Python's zipfile. ctest runs this on the
# build machine before those tests, so that the Windows build, whose tests
# run under Wine, reads the same archives.
# Usage: make-peer-archives.sh out-dir   (out-dir/tree and out-dir/NAME.zip)
set -euo pipefail
out=$1
rm -rf "$out"
mkdir -p "$out/tree/sub/deeper" "$out/tree/emptydir"
cd "$out/tree"
for ((i = 0; i < 5000; i++)); do echo "INSERT INTO t VALUES ($((i * 7919 % 10007)),'row');"; done >rows.sql
printf x >sub/deeper/x.txt
: >empty.dat
zip -qr ../infozip.zip .
7z a -tzip -mm=Deflate ../deflate7.zip . >/dev/null
7z a -tzip -mm=Copy ../stored7.zip . >/dev/null
7z a -tzip -mm=BZip2 ../bzip2.zip . >/dev/null
7z a -tzip -mm=LZMA ../lzma.zip . >/dev/null
bsdtar --format zip -cf ../bsdtar.zip .
python3 -m zipfile -c ../python.zip rows.sql sub empty.dat emptydir
# rows.sql really went through bzip2 and LZMA (methods 12 and 14); 7-Zip
# stores the one-byte file as it is.
python3 - "$out" <<'PY'
import sys, zipfile
for name, method in (("bzip2", 12), ("lzma", 14)):
    found = zipfile.ZipFile(f"{sys.argv[1]}/{name}.zip").getinfo("rows.sql").compress_type
    if found != method:
        sys.exit(f"rows.sql in {name}.zip has method {found}, not {method}")
PY
