#!/usr/bin/env python3
"""Writes the upgrade tests' package:
make_test_package.py UPDATE_DIR VERSION [MANIFEST_FILE] [--crc-damage ENTRY:MEMBER] [--set-up-path ENTRY=PATH]

--crc-damage   the CRC-32 recorded for MEMBER of the entry archive ENTRY no longer matches its data
--set-up-path  the manifest gives ENTRY that setUpPath
"""
import argparse
import io
import struct
import zipfile
from pathlib import Path


def archive(files):
    buf = io.BytesIO()
    with zipfile.ZipFile(buf, "w", zipfile.ZIP_DEFLATED) as z:
        for name, data in files.items():
            z.writestr(name, data)
    return buf.getvalue()


def damage_crc(data, member):
    """Flips a bit of member's CRC-32 in its local and central headers."""
    data = bytearray(data)
    with zipfile.ZipFile(io.BytesIO(bytes(data))) as z:
        local = z.getinfo(member).header_offset
    cd = struct.unpack_from("<I", data, len(data) - 22 + 16)[0]
    while data[cd:cd + 4] == b"PK\x01\x02":
        name_len, extra_len, comment_len = struct.unpack_from("<HHH", data, cd + 28)
        if data[cd + 46:cd + 46 + name_len].decode("utf-8") == member:
            data[cd + 16] ^= 1
        cd += 46 + name_len + extra_len + comment_len
    data[local + 14] ^= 1
    return bytes(data)


def script(*lines):
    return ("\r\n".join(lines) + "\r\n").encode("gbk")


parser = argparse.ArgumentParser()
parser.add_argument("update_dir", type=Path)
parser.add_argument("version")
parser.add_argument("manifest_file", nargs="?", type=Path)
parser.add_argument("--crc-damage", action="append", default=[])
parser.add_argument("--set-up-path", action="append", default=[])
args = parser.parse_args()
version = args.version
set_up = {"lib.zip": "\\server\\lib", "ovex-znp-updater-3.zip": "\\client\\bin", "db.zip": "\\db"}
for item in args.set_up_path:
    entry, path = item.split("=", 1)
    set_up[entry] = path

args.update_dir.mkdir(parents=True, exist_ok=True)
manifest = f"""<?xml version="1.0" encoding="GBK"?>
<update>
  <updateInfo>
    <version>{version}</version><forceUpdate>1</forceUpdate><updateDate>2026-12-01</updateDate>
    <url>-</url><basePath>-</basePath><updateDesc>修复开票问题，新增审核表</updateDesc>
  </updateInfo>
  <updateFileList>
    <file><fileName>lib.zip</fileName><checkCode>x</checkCode><updateStyle>0</updateStyle>
      <setUpPath>{set_up["lib.zip"]}</setUpPath></file>
    <updateFile><fileName>ovex-znp-updater-3.zip</fileName><checkCode>x</checkCode>
      <updateStyle>2</updateStyle><setUpPath>{set_up["ovex-znp-updater-3.zip"]}</setUpPath></updateFile>
    <file><fileName>db.zip</fileName><checkCode>x</checkCode><updateStyle>1</updateStyle>
      <setUpPath>{set_up["db.zip"]}</setUpPath></file>
  </updateFileList>
</update>
""".encode("gbk")
if args.manifest_file:
    manifest = args.manifest_file.read_bytes()
entries = {
    "lib.zip": archive({"发票.dll": "new dll " + version, "模板/增值税.xml": "<t/>", "plain.txt": "new"}),
    "ovex-znp-updater-3.zip": archive({"updater.jar": "updater " + version}),
    "db.zip": archive({
        "1.sql": script("-- order of the scripts", "CREATE TABLE run_order (seq INT AUTO_INCREMENT PRIMARY KEY,",
                        "name VARCHAR(20)) DEFAULT CHARSET=gbk;"),
        "2.sql": script("INSERT INTO run_order (name) VALUES ('2.sql');",
                        "INSERT INTO no_such_table VALUES (1);",
                        "INSERT INTO run_order (name) VALUES ('中文值');"),
        "10.sql": script("INSERT INTO run_order (name) VALUES ('10.sql');",
                         f"UPDATE sys_rjbbxx SET SJKBBH = '{version}';"),
    }),
}
for item in args.crc_damage:
    entry, member = item.split(":", 1)
    entries[entry] = damage_crc(entries[entry], member)
with zipfile.ZipFile(args.update_dir / f"升级包{version}.zip", "w", zipfile.ZIP_DEFLATED) as z:
    z.writestr("update.xml", manifest)
    for name, data in entries.items():
        z.writestr(name, data)
