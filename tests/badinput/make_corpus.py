#!/usr/bin/env python3
"""Writes the bad-input corpus: make_corpus.py [OUT_DIR] (default: beside this script).

manifests/*.xml  malformed update.xml files for the manifest reader
scripts/*.sql    malformed SQL scripts for readTextLines and the line splitter
archives/*.zip   malformed archives for unzip
packages/*.zip   update packages with damaged entry archives or escaping targets, for the package check

The outcome each input must have is kept in expected.tsv. The output is
deterministic: running the script again gives the same bytes.
"""
import struct
import sys
import zlib
from pathlib import Path

OUT = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).resolve().parent

INFO = [("version", "3.0.1"), ("forceUpdate", "1"), ("updateDate", "2026-12-01"),
        ("url", "-"), ("basePath", "-"), ("updateDesc", "修复开票问题")]
ENTRY = [("fileName", "lib.zip"), ("checkCode", "x"), ("updateStyle", "0"), ("setUpPath", "\\server\\lib")]
DECL_UTF8 = '<?xml version="1.0" encoding="UTF-8"?>\n'


def leaves(pairs, replace=None, drop=None):
    out = []
    for name, value in pairs:
        if name == drop:
            continue
        out.append(replace[name] if replace and name in replace else f"<{name}>{value}</{name}>")
    return "".join(out)


def cdata_leaves(pairs):
    return "".join(f"<{name}><![CDATA[{value}]]></{name}>" for name, value in pairs)


def manifest(info=None, entries=None, decl=DECL_UTF8, root="update"):
    info = leaves(INFO) if info is None else info
    entries = [leaves(ENTRY)] if entries is None else entries
    body = "".join(f"<file>{e}</file>" for e in entries)
    return f"{decl}<{root}>\n<updateInfo>{info}</updateInfo>\n<updateFileList>{body}</updateFileList>\n</{root}>\n"


def manifests():
    m = {}
    good = manifest()
    for name, _ in INFO:
        m[f"info_missing_{name}"] = manifest(info=leaves(INFO, drop=name))
        m[f"info_empty_{name}"] = manifest(info=leaves(INFO, replace={name: f"<{name}/>"}))
    for name, _ in ENTRY:
        m[f"entry_missing_{name}"] = manifest(entries=[leaves(ENTRY, drop=name)])
        m[f"entry_empty_{name}"] = manifest(entries=[leaves(ENTRY, replace={name: f"<{name}></{name}>"})])
    m["second_entry_broken"] = manifest(entries=[leaves(ENTRY), leaves(ENTRY, drop="checkCode")])
    m["leaf_blank_only"] = manifest(info=leaves(INFO, replace={"version": "<version>   </version>"}))
    m["leaf_text_and_element"] = manifest(info=leaves(INFO, replace={"version": "<version>3<b/>0</version>"}))
    m["leaf_text_and_comment"] = manifest(info=leaves(INFO, replace={"version": "<version>3<!-- c -->0</version>"}))
    m["leaf_comment_only"] = manifest(info=leaves(INFO, replace={"version": "<version><!-- c --></version>"}))
    m["leaf_pi_only"] = manifest(info=leaves(INFO, replace={"version": "<version><?pi x?></version>"}))
    m["leaf_two_cdata"] = manifest(info=leaves(INFO, replace={"version": "<version><![CDATA[3]]><![CDATA[0]]></version>"}))
    for name, sections in [("leaf_two_cdata_spaced", "<![CDATA[3]]> <![CDATA[0]]>"),
                           ("leaf_empty_then_cdata", "<![CDATA[]]><![CDATA[3]]>"),
                           ("leaf_two_cdata_line_breaks", "<![CDATA[3\r\n]]><![CDATA[\r0]]>"),
                           ("leaf_cdata_line_breaks", "<![CDATA[3\r\n0\r]]>")]:
        m[name] = manifest(info=leaves(INFO, replace={"version": f"<version>{sections}</version>"}))
    split_path = cdata_leaves(ENTRY).replace("[\\server\\lib]]>", "[\\server]]><![CDATA[\\lib]]>")
    m["cdata_leaves_then_two"] = manifest(info=cdata_leaves(INFO), entries=[cdata_leaves(ENTRY), split_path])
    m["leaf_empty_cdata"] = manifest(info=leaves(INFO, replace={"version": "<version><![CDATA[]]></version>"}))
    m["leaf_element_only"] = manifest(info=leaves(INFO, replace={"version": "<version><v>3</v></version>"}))
    m["leaf_preserved_blanks"] = manifest(info=leaves(INFO, replace={"version": '<version xml:space="preserve">  </version>'}))
    m["entry_is_comment"] = manifest(entries=[]).replace("<updateFileList>", "<updateFileList><!-- none -->")
    m["entry_is_text"] = manifest(entries=[]).replace("<updateFileList>", "<updateFileList>stray text")
    m["entry_is_pi"] = manifest(entries=[]).replace("<updateFileList>", "<updateFileList><?entry x?>")
    m["entry_is_cdata"] = manifest(entries=[]).replace("<updateFileList>", "<updateFileList><![CDATA[x]]>")
    m["info_is_text_node_parent"] = manifest(info="just text")
    m["no_update_info"] = DECL_UTF8 + "<update><updateFileList/></update>"
    m["no_file_list"] = DECL_UTF8 + f"<update><updateInfo>{leaves(INFO)}</updateInfo></update>"
    m["root_only"] = DECL_UTF8 + "<update/>"
    m["other_root_name"] = manifest(root="upgrade")
    m["info_twice_first_broken"] = good.replace("<updateInfo>", "<updateInfo><version/></updateInfo><updateInfo>", 1)
    m["info_inside_list"] = DECL_UTF8 + f"<update><updateFileList><updateInfo>{leaves(INFO)}</updateInfo></updateFileList></update>"
    m["leaves_at_root"] = DECL_UTF8 + f"<update>{leaves(INFO)}</update>"
    m["entries_nested"] = manifest(entries=[leaves(ENTRY) + "<file>" + leaves(ENTRY) + "</file>"])
    m["mismatched_tags"] = good.replace("</updateInfo>", "</updateinfo>")
    m["two_roots"] = good + "<update/>\n"
    m["unclosed_root"] = good.replace("</update>\n", "")
    m["stray_close"] = good.replace("<updateFileList>", "</file><updateFileList>")
    m["attribute_unquoted"] = good.replace("<update>", "<update a=1>")
    m["bad_entity_reference"] = good.replace("修复开票问题", "修复&nope;")
    m["bad_char_reference"] = good.replace("修复开票问题", "修复&#0;")
    m["lt_in_text"] = good.replace("修复开票问题", "a < b")
    m["external_entity"] = ('<?xml version="1.0"?>\n<!DOCTYPE update [<!ENTITY e SYSTEM "file:///etc/hostname">]>\n'
                            + manifest(decl="").replace("修复开票问题", "&e;"))
    m["billion_laughs"] = ('<?xml version="1.0"?>\n<!DOCTYPE update [<!ENTITY a "aaaaaaaaaa">'
                           + "".join(f'<!ENTITY {chr(98 + i)} "{("&" + chr(97 + i) + ";") * 10}">' for i in range(9))
                           + "]>\n" + manifest(decl="").replace("修复开票问题", "&j;"))
    m["external_dtd"] = '<?xml version="1.0"?>\n<!DOCTYPE update SYSTEM "http://127.0.0.1:9/x.dtd">\n' + manifest(decl="")
    m["empty_file"] = ""
    m["blank_file"] = "\n\n   \n"
    m["declaration_only"] = DECL_UTF8
    m["comment_only"] = "<!-- nothing -->\n"
    m["not_xml"] = "version=3.0.1\r\nfileName=lib.zip\r\n"
    m["deep_nesting"] = DECL_UTF8 + "<update>" + "<a>" * 5000 + "</a>" * 5000 + "</update>"
    m["huge_version"] = manifest(info=leaves(INFO, replace={"version": "<version>" + "9" * 2_000_000 + "</version>"}))
    m["huge_desc_line_error"] = DECL_UTF8 + "<update><updateInfo><updateDesc>" + "说明" * 100_000 + "</updateInfo></update>"
    m["many_entries"] = manifest(entries=[leaves(ENTRY)] * 20000)
    m["long_element_name"] = manifest(info=leaves(INFO) + "<" + "x" * 100_000 + "/>")
    for cut in (10, 60, 150, 300):
        m[f"truncated_at_{cut}"] = good.encode("utf-8")[:cut]
    m["truncated_mid_character"] = good.encode("utf-8")[:good.encode("utf-8").index("修".encode()) + 2]
    gbk = manifest(decl='<?xml version="1.0" encoding="GBK"?>\n')
    m["gbk_declared_utf8_bytes"] = gbk.encode("utf-8")
    m["utf8_declared_gbk_bytes"] = good.encode("gbk")
    m["unknown_encoding"] = manifest(decl='<?xml version="1.0" encoding="x-no-such"?>\n').encode("utf-8")
    m["gbk_invalid_bytes"] = gbk.encode("gbk").replace("修复".encode("gbk"), b"\x81\x20\xff\xff")
    m["utf16_without_bom"] = manifest(decl="").encode("utf-16-le")
    m["utf16_bom_declared_gbk"] = b"\xff\xfe" + gbk.encode("utf-16-le")
    m["utf8_bom_declared_gbk"] = b"\xef\xbb\xbf" + gbk.encode("utf-8")
    m["utf16_two_cdata"] = b"\xff\xfe" + manifest(decl="", info=leaves(INFO, replace={
        "version": "<version><![CDATA[3]]><![CDATA[0]]></version>"})).encode("utf-16-le")
    m["utf32_bom"] = manifest(decl="").encode("utf-32")
    m["nul_bytes"] = good.encode("utf-8").replace(b"3.0.1", b"3.\x000.1")
    m["control_chars"] = good.encode("utf-8").replace(b"3.0.1", b"3.\x01\x1b0.1")
    m["overlong_utf8"] = good.encode("utf-8").replace(b"3.0.1", b"3.\xc0\xae0.1")
    m["surrogate_utf8"] = good.encode("utf-8").replace(b"3.0.1", b"3.\xed\xa0\x800.1")
    m["latin1_declared"] = manifest(decl='<?xml version="1.0" encoding="ISO-8859-1"?>\n').encode("utf-8")
    m["binary_noise"] = bytes((i * 37 + 11) % 256 for i in range(4096))
    m["version_astral_chars"] = manifest(info=leaves(INFO, replace={"version": "<version>😀" * 30 + "</version>"}))
    m["error_line_with_astral_at_40"] = DECL_UTF8 + "<update>\n" + "a" * 39 + "😀😀</b>\n</update>"
    return m


def lines(*ls, sep="\r\n"):
    return sep.join(ls).encode("gbk") + sep.encode()


def scripts():
    s = {}
    s["binary_bytes"] = bytes(range(1, 256)) * 4 + b";\n"
    s["invalid_gbk"] = b"INSERT INTO t VALUES ('\x81\x20\xff\xfe\x80');\r\nSELECT 1;\r\n"
    s["lone_lead_byte_at_end"] = b"SELECT 1;\r\n\x81"
    s["very_long_line"] = b"INSERT INTO t VALUES ('" + b"x" * 4_000_000 + b"');\r\n"
    s["very_long_statement_of_many_lines"] = b"INSERT INTO t VALUES\n" + b"(1),\n" * 200_000 + b"(2);\n"
    s["nul_in_middle"] = b"SELECT 1;\r\nSELECT\x00 2;\r\nSELECT 3;\r\n"
    s["nul_first"] = b"\x00SELECT 1;\r\n"
    s["only_cr_breaks"] = b"SELECT 1;\rSELECT 2;\rSELECT 3;"
    s["mixed_breaks"] = b"SELECT\r1\n;\r\n\n\rSELECT 2;"
    s["no_final_semicolon"] = lines("SELECT 1;", "SELECT 2")
    s["comment_only"] = lines("-- one", "--two;", "   -- three;")
    s["semicolon_only_lines"] = lines(";", " ; ", ";;")
    s["controls_around"] = b"\x01\x02\tSELECT 1;\x1f\x7f\r\n\x0bSELECT 2 ;\x00"
    s["utf8_bom"] = b"\xef\xbb\xbfSELECT 1;\r\n"
    s["utf16_le_bom"] = "SELECT 1;\r\nSELECT 2;\r\n".encode("utf-16")
    s["empty"] = b""
    s["blank_lines"] = b"\r\n\r\n   \r\n\t\r\n"
    s["many_tiny_statements"] = b"S;\n" * 100_000
    s["comment_after_statement"] = lines("SELECT 1; -- done", "SELECT 2 -- not the end", ";")
    s["trailing_comment_inside_statement"] = lines("DELETE FROM t -- old rows", "WHERE old = 1;")
    s["hash_comment_inside_statement"] = lines("UPDATE t SET a = 1 # all of them?", "WHERE b = '#';")
    s["comment_marks_inside_quotes"] = lines("UPDATE t SET a = '-- x # y'", "WHERE b = \"it\\\"s -- \";")
    s["gbk_trail_byte_is_semicolon"] = b"SELECT '\x81;' ;\r\n"
    s["huge_comment"] = b"--" + b"c" * 3_000_000 + b"\n;\n"
    return s


# ---- archives ---------------------------------------------------------------

def dos_time():
    return 0x6000, 0x5B21  # 2025-09-01 12:00:00


def local_header(name, data, method=0, crc=None, csize=None, size=None, flags=0, version=20, extra=b""):
    t, d = dos_time()
    crc = zlib.crc32(data) if crc is None else crc
    return struct.pack("<IHHHHHIIIHH", 0x04034B50, version, flags, method, t, d, crc,
                       len(data) if csize is None else csize, len(data) if size is None else size,
                       len(name), len(extra)) + name + extra


def central_header(name, data, offset, method=0, crc=None, csize=None, size=None, flags=0, version=20,
                   external=0, made_by=20, extra=b""):
    t, d = dos_time()
    crc = zlib.crc32(data) if crc is None else crc
    return struct.pack("<IHHHHHHIIIHHHHHII", 0x02014B50, made_by, version, flags, method, t, d, crc,
                       len(data) if csize is None else csize, len(data) if size is None else size,
                       len(name), len(extra), 0, 0, 0, external, offset) + name + extra


def end_record(count, cd_size, cd_offset, comment=b"", disk_count=None):
    disk_count = count if disk_count is None else disk_count
    return struct.pack("<IHHHHIIH", 0x06054B50, 0, 0, disk_count, count, cd_size, cd_offset, len(comment)) + comment


def deflate(data):
    c = zlib.compressobj(9, zlib.DEFLATED, -15)
    return c.compress(data) + c.flush()


def archive(entries, **end):
    """entries: (name bytes, plain data, options); stored unless options say method=8."""
    body, central = b"", b""
    for name, data, opt in entries:
        opt = dict(opt)
        packed = deflate(data) if opt.get("method") == 8 else data
        lh = {k: opt[k] for k in ("method", "crc", "flags", "version") if k in opt}
        off = len(body) + opt.pop("offset_shift", 0)
        body += local_header(name, data, csize=opt.get("csize", len(packed)), size=opt.get("size", len(data)), **lh) + packed
        ch = {k: v for k, v in opt.items() if k not in ("csize", "size")}
        central += central_header(name, data, off, csize=opt.get("csize", len(packed)), size=opt.get("size", len(data)), **ch)
    count = end.pop("count", len(entries))
    cd_offset = len(body) + end.pop("cd_shift", 0)
    return body + central + end_record(count, len(central), cd_offset, **end)


def archives():
    a = {}
    good = archive([(b"a.txt", b"hello", {}), (b"dir/b.txt", b"world " * 100, {"method": 8})])
    a["good_reference"] = good
    for cut in (0, 4, 30, 60, len(good) // 2, len(good) - 22, len(good) - 1):
        a[f"truncated_{cut}"] = good[:cut]
    a["cd_offset_past_end"] = archive([(b"a.txt", b"hello", {})], cd_shift=100000)
    a["cd_offset_backwards"] = archive([(b"a.txt", b"hello", {})], cd_shift=-7)
    a["local_offset_past_end"] = archive([(b"a.txt", b"hello", {"offset_shift": 10 ** 6})])
    a["local_offset_wrong"] = archive([(b"a.txt", b"hello", {"offset_shift": 3}), (b"b.txt", b"ok", {})])
    a["count_too_high"] = archive([(b"a.txt", b"hello", {})], count=65535, disk_count=65535)
    a["count_zero"] = archive([(b"a.txt", b"hello", {})], count=0, disk_count=0)
    a["comment_length_wrong"] = good[:-2] + struct.pack("<H", 500)
    a["eocd_only"] = end_record(0, 0, 0)
    zeros = b"\0" * (1 << 20)
    a["overlapping_entries"] = (lambda data: (lambda packed: (
        local_header(b"k", zeros, method=8, csize=len(packed)) + packed
        + b"".join(central_header(f"o{i}".encode(), zeros, 0, method=8, csize=len(packed)) for i in range(10))
        + end_record(10, sum(len(central_header(f"o{i}".encode(), zeros, 0)) for i in range(10)),
                     30 + 1 + len(packed))))(deflate(data)))(zeros)
    a["size_absurd"] = archive([(b"a.txt", b"hello", {"size": 0xFFFFFFFE})])
    a["csize_absurd"] = archive([(b"a.txt", b"hello", {"csize": 0xFFFFFFFE})])
    a["deflate_size_lies_small"] = archive([(b"bomb.bin", zeros * 8, {"method": 8, "size": 10})])
    a["deflate_size_lies_large"] = archive([(b"a.txt", b"hello", {"method": 8, "size": 1 << 30})])
    a["bomb_by_ratio"] = archive([(b"bomb.bin", zeros * 64, {"method": 8})])
    a["crc_wrong"] = archive([(b"a.txt", b"hello", {"crc": 1234}), (b"b.txt", b"ok", {})])
    a["method_unknown"] = archive([(b"a.txt", b"hello", {"method": 99}), (b"b.txt", b"ok", {})])
    a["encrypted_flag"] = archive([(b"a.txt", b"hello", {"flags": 1}), (b"b.txt", b"ok", {})])
    a["version_needed_too_high"] = archive([(b"a.txt", b"hello", {"version": 70}), (b"b.txt", b"ok", {})])
    a["deflate_garbage"] = archive([(b"a.txt", b"hello world", {"method": 8, "csize": 11})])
    for label, name in [("control_soh", b"a\x01b.txt"), ("control_newline", b"line\nbreak.txt"),
                        ("control_cr", b"cr\r.txt"), ("control_tab", b"tab\t.txt"), ("control_esc", b"\x1b[31mred.txt"),
                        ("control_del", b"del\x7f.txt"), ("name_nul", b"nul\x00hidden.txt"),
                        ("name_dotdot", b"../escaped.txt"), ("name_deep_dotdot", b"a/../../../escaped.txt"),
                        ("name_absolute", b"/tmp/ovex-badinput-escaped.txt"), ("name_backslash_dotdot", b"..\\escaped.txt"),
                        ("name_drive", b"C:\\escaped.txt"), ("name_empty", b""), ("name_dot", b"."),
                        ("name_only_slash", b"/"), ("name_long", b"n" * 300 + b".txt"),
                        ("name_invalid_utf8_flagged", b"\xff\xfe.txt"), ("name_gbk", "发票.txt".encode("gbk")),
                        ("name_windows_reserved", b"con.txt"), ("name_colon_stream", b"a.txt:stream")]:
        opts = {"flags": 0x800} if label == "name_invalid_utf8_flagged" else {}
        a[f"name_{label}" if not label.startswith("name_") else label] = archive([(name, b"data", opts), (b"ok.txt", b"ok", {})])
    a["duplicate_names"] = archive([(b"d.txt", b"first", {}), (b"d.txt", b"second", {})])
    a["file_then_folder_same_name"] = archive([(b"x", b"file", {}), (b"x/y.txt", b"inside", {})])
    a["file_then_folder_then_more"] = archive([(b"a.txt", b"hello", {}), (b"dir", b"file", {}),
                                               (b"dir/b.txt", b"inside", {}), (b"zzz.txt", b"last", {})])
    a["folder_entry_with_data"] = archive([(b"f/", b"data", {}), (b"ok.txt", b"ok", {})])
    a["symlink_entry"] = archive([(b"link", b"/etc/passwd", {"made_by": 0x0314, "external": 0xA1FF0000}),
                                  (b"ok.txt", b"ok", {})])
    a["zip64_extra_bogus"] = archive([(b"a.txt", b"hello", {"size": 0xFFFFFFFF, "csize": 0xFFFFFFFF,
                                                            "extra": struct.pack("<HHQ", 1, 8, 1 << 62)})])
    a["not_an_archive"] = b"PK\x05\x06" + b"\xff" * 18
    a["random_bytes"] = bytes((i * 131 + 7) % 256 for i in range(8192))
    return a


# ---- packages ---------------------------------------------------------------

def package_manifest(entries):
    """entries: (fileName, updateStyle, setUpPath)"""
    files = "".join(f"<file><fileName>{n}</fileName><checkCode>x</checkCode><updateStyle>{st}</updateStyle>"
                    f"<setUpPath>{sp}</setUpPath></file>" for n, st, sp in entries)
    return (DECL_UTF8 + f"<update>\n<updateInfo>{leaves(INFO)}</updateInfo>\n"
            f"<updateFileList>{files}</updateFileList>\n</update>\n").encode("utf-8")


def packages():
    lib = archive([(b"a.txt", b"hello", {}), ("模板/b.txt".encode(), b"world " * 100, {"method": 8, "flags": 0x800})])
    db = archive([(b"1.sql", b"SELECT 1;\r\n", {"method": 8})])
    updater = archive([(b"u.jar", b"jar", {})])
    entries = [("lib.zip", "0", "\\server\\lib"), ("ovex-znp-updater-1.zip", "2", "\\..\\unused"), ("db.zip", "1", "\\db")]
    members = {"lib.zip": lib, "ovex-znp-updater-1.zip": updater, "db.zip": db}

    def pkg(entries=entries, members=members, member_options=None):
        member_options = member_options or {}
        items = [(b"update.xml", package_manifest(entries), {"method": 8})]
        items += [(n.encode(), data, {"method": 8, **member_options.get(n, {})}) for n, data in members.items()]
        return archive(items)

    def with_lib(data):
        return pkg(members={**members, "lib.zip": data})

    def with_setup(path):
        return pkg(entries=[("lib.zip", "0", path)] + entries[1:])

    def with_name(name):
        return pkg(entries=[(name, "0", "\\server\\lib")] + entries[1:])

    p = {"good": pkg()}
    p["entry_crc_damaged"] = with_lib(archive([(b"a.txt", b"hello", {"crc": 1234}), (b"ok.txt", b"ok", {})]))
    p["entry_truncated"] = with_lib(lib[: len(lib) // 2])
    p["entry_data_damaged"] = with_lib(archive([(b"a.txt", b"hello world", {"method": 8, "csize": 11})]))
    p["entry_member_escapes"] = with_lib(archive([(b"../escaped.txt", b"x", {}), (b"ok.txt", b"ok", {})]))
    p["entry_member_encrypted"] = with_lib(archive([(b"a.txt", b"hello", {"flags": 1})]))
    p["entry_missing"] = pkg(members={n: d for n, d in members.items() if n != "db.zip"})
    p["package_member_damaged"] = pkg(member_options={"lib.zip": {"crc": 1234}})
    p["package_truncated"] = pkg()[:-30]
    p["setuppath_dotdot"] = with_setup("\\..\\..\\..\\..\\tmp\\elsewhere")
    p["setuppath_dotdot_forward"] = with_setup("/server/../../elsewhere")
    p["setuppath_drive"] = with_setup("C:\\Windows")
    p["setuppath_network"] = with_setup("\\\\server\\share")
    p["setuppath_glued_to_client_name"] = with_setup("lib")
    p["setuppath_invalid_characters"] = with_setup("\\server\\a|b")
    p["filename_dotdot"] = with_name("..\\lib.zip")
    p["filename_drive"] = with_name("C:\\lib.zip")
    p["filename_network"] = with_name("\\\\server\\lib.zip")
    return p


def write_all(folder, items, ext):
    d = OUT / folder
    d.mkdir(parents=True, exist_ok=True)
    for name, content in items.items():
        (d / f"{name}.{ext}").write_bytes(content.encode("utf-8") if isinstance(content, str) else content)


write_all("manifests", manifests(), "xml")
write_all("scripts", scripts(), "sql")
write_all("archives", archives(), "zip")
write_all("packages", packages(), "zip")
