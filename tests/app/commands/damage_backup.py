#!/usr/bin/env python3
"""Writes a damaged copy of a backup archive, under its own name, into OUT_DIR:
damage_backup.py ARCHIVE OUT_DIR MODE
  md5    cc names a wrong MD5
  crc    one byte of the largest data file in data.zip flipped; cc's MD5 fits the damaged data.zip
  outer  one byte of data.zip flipped inside the backup archive
  clash  data.zip also holds a file "zz" and a file "zz/x", which cannot both be unpacked; cc fits
"""
import hashlib
import io
import sys
import zipfile
from pathlib import Path


def flip_in_entry(archive_bytes, name):
    data = bytearray(archive_bytes)
    with zipfile.ZipFile(io.BytesIO(archive_bytes)) as z:
        info = z.getinfo(name)
    start = info.header_offset + 30
    start += int.from_bytes(data[info.header_offset + 26:info.header_offset + 28], "little")
    start += int.from_bytes(data[info.header_offset + 28:info.header_offset + 30], "little")
    data[start + info.compress_size // 2] ^= 0xFF
    return bytes(data)


def with_md5(cc, data_zip):
    lines = cc.split(b"\r\n")
    lines[3] = b"MD5=" + hashlib.md5(data_zip).hexdigest().encode()
    return b"\r\n".join(lines)


archive, out_dir, mode = Path(sys.argv[1]), Path(sys.argv[2]), sys.argv[3]
with zipfile.ZipFile(archive) as z:
    cc, data_zip = z.read("cc"), z.read("data.zip")
if mode == "md5":
    cc = with_md5(cc, b"not the data")
elif mode == "crc":
    with zipfile.ZipFile(io.BytesIO(data_zip)) as z:
        largest = max(z.infolist(), key=lambda i: i.compress_size).filename
    data_zip = flip_in_entry(data_zip, largest)
    cc = with_md5(cc, data_zip)
elif mode == "clash":
    buf = io.BytesIO(data_zip)
    with zipfile.ZipFile(buf, "a") as z:
        z.writestr("zz", "a file")
        z.writestr("zz/x", "a file below a file")
    data_zip = buf.getvalue()
    cc = with_md5(cc, data_zip)
out_dir.mkdir(parents=True, exist_ok=True)
target = out_dir / archive.name
with zipfile.ZipFile(target, "w", zipfile.ZIP_DEFLATED) as z:
    z.writestr("cc", cc)
    z.writestr("data.zip", data_zip)
if mode == "outer":
    target.write_bytes(flip_in_entry(target.read_bytes(), "data.zip"))
