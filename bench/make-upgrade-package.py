#!/usr/bin/env python3
"""A large update package for the upgrade benchmark:
    make-upgrade-package.py UPDATE_DIR PACKAGE_MB STATEMENTS
A common-file entry of PACKAGE_MB MB of program-like files and a database
entry whose scripts insert STATEMENTS rows in single-line statements."""
import io
import random
import sys
import zipfile
from pathlib import Path

update_dir, package_mb, statements = Path(sys.argv[1]), int(sys.argv[2]), int(sys.argv[3])
update_dir.mkdir(parents=True, exist_ok=True)
rng = random.Random(7)
words = [b"invoice", b"tax", b"amount", b"buyer", b"seller", b"\xb7\xa2\xc6\xb1", b"\xbd\xf0\xb6\xee", b"0440"]

def blob(size):
    parts, total = [], 0
    while total < size:
        chunk = b" ".join(rng.choice(words) for _ in range(64)) + bytes(rng.randrange(256) for _ in range(64))
        parts.append(chunk)
        total += len(chunk)
    return b"".join(parts)[:size]

common = io.BytesIO()
with zipfile.ZipFile(common, "w", zipfile.ZIP_DEFLATED) as z:
    per_file = 2 * 1024 * 1024
    for i in range(max(1, package_mb * 1024 * 1024 // per_file)):
        z.writestr(f"lib/module{i:03d}.dll", blob(per_file))
scripts = io.BytesIO()
with zipfile.ZipFile(scripts, "w", zipfile.ZIP_DEFLATED) as z:
    z.writestr("1.sql", b"CREATE TABLE bench_rows (id INT PRIMARY KEY, name VARCHAR(40)) DEFAULT CHARSET=gbk;\r\n")
    lines = [f"INSERT INTO bench_rows VALUES ({i}, 'row {i}');".encode() for i in range(statements)]
    z.writestr("2.sql", b"\r\n".join(lines) + b"\r\n")
manifest = """<?xml version="1.0" encoding="UTF-8"?>
<update><updateInfo><version>9.9.9</version><forceUpdate>0</forceUpdate><updateDate>2026-12-09</updateDate>
<url>-</url><basePath>-</basePath><updateDesc>benchmark</updateDesc></updateInfo>
<updateFileList>
<file><fileName>common.zip</fileName><checkCode>0</checkCode><updateStyle>0</updateStyle><setUpPath>/server</setUpPath></file>
<file><fileName>db.zip</fileName><checkCode>0</checkCode><updateStyle>1</updateStyle><setUpPath>/db</setUpPath></file>
</updateFileList></update>"""
with zipfile.ZipFile(update_dir / "bench-package.zip", "w", zipfile.ZIP_STORED) as z:
    z.writestr("update.xml", manifest)
    z.writestr("common.zip", common.getvalue())
    z.writestr("db.zip", scripts.getvalue())
