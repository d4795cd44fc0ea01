#!/usr/bin/env python3
"""Writes the upgrade tests' package: make_test_package.py UPDATE_DIR VERSION [MANIFEST_FILE]"""
import io
import sys
import zipfile
from pathlib import Path


def archive(files):
    buf = io.BytesIO()
    with zipfile.ZipFile(buf, "w", zipfile.ZIP_DEFLATED) as z:
        for name, data in files.items():
            z.writestr(name, data)
    return buf.getvalue()


def script(*lines):
    return ("\r\n".join(lines) + "\r\n").encode("gbk")


update_dir, version = Path(sys.argv[1]), sys.argv[2]
update_dir.mkdir(parents=True, exist_ok=True)
manifest = f"""<?xml version="1.0" encoding="GBK"?>
<update>
  <updateInfo>
    <version>{version}</version><forceUpdate>1</forceUpdate><updateDate>2026-12-01</updateDate>
    <url>-</url><basePath>-</basePath><updateDesc>修复开票问题，新增审核表</updateDesc>
  </updateInfo>
  <updateFileList>
    <file><fileName>lib.zip</fileName><checkCode>x</checkCode><updateStyle>0</updateStyle>
      <setUpPath>\\server\\lib</setUpPath></file>
    <updateFile><fileName>ovex-znp-updater-3.zip</fileName><checkCode>x</checkCode>
      <updateStyle>2</updateStyle><setUpPath>\\client\\bin</setUpPath></updateFile>
    <file><fileName>db.zip</fileName><checkCode>x</checkCode><updateStyle>1</updateStyle>
      <setUpPath>\\db</setUpPath></file>
  </updateFileList>
</update>
""".encode("gbk")
if len(sys.argv) > 3:
    manifest = Path(sys.argv[3]).read_bytes()
lib = archive({"发票.dll": "new dll " + version, "模板/增值税.xml": "<t/>", "plain.txt": "new"})
updater = archive({"updater.jar": "updater " + version})
db = archive({
    "1.sql": script("-- order of the scripts", "CREATE TABLE run_order (seq INT AUTO_INCREMENT PRIMARY KEY,",
                    "name VARCHAR(20)) DEFAULT CHARSET=gbk;"),
    "2.sql": script("INSERT INTO run_order (name) VALUES ('2.sql');",
                    "INSERT INTO no_such_table VALUES (1);",
                    "INSERT INTO run_order (name) VALUES ('中文值');"),
    "10.sql": script("INSERT INTO run_order (name) VALUES ('10.sql');",
                     f"UPDATE sys_rjbbxx SET SJKBBH = '{version}';"),
})
with zipfile.ZipFile(update_dir / f"升级包{version}.zip", "w", zipfile.ZIP_DEFLATED) as z:
    z.writestr("update.xml", manifest)
    z.writestr("lib.zip", lib)
    z.writestr("ovex-znp-updater-3.zip", updater)
    z.writestr("db.zip", db)
