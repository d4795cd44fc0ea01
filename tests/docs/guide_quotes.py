#!/usr/bin/env python3
"""Every text the operator guide quotes in “…” is one the program shows, and
every message of the window is quoted in the guide exactly, spaces included.

A "…" inside a quote stands for a part that varies (a path, a version). A
"." at the end may be the one the error report adds after a last character
above "." in code. Quotes of the guide's own headings and of Windows's own
texts are not the program's. Usage: guide_quotes.py <source root>"""
import pathlib
import re
import sys

# Windows shows these, not the program.
WINDOWS_TEXTS = {"确定", "以管理员身份运行", "（未响应）", "关闭程序", "等待该程序响应", "起始位置",
                 "命令提示符", "当前文件夹"}
# Texts the program puts together from pieces: each piece is code as written.
COMPOSED = {
    "Line: 0": ['"Line" + ": " + std::to_string(e.line)'],
    "Line:": ['"Line" + ": "'],
    "the server serves the restored data, version …": ['"the server serves the restored data"', '", version "'],
    "the server serves the restored data, version 2.1.0": ['"the server serves the restored data"', '", version "'],
    "No database server (ovexsqld.exe) runs: give the client folder whose db\\data is to be restored; "
    "nothing was changed.": ['"No database server ("', '"ovexsqld.exe"',
                             '") runs: give the client folder whose db\\\\data is to be restored; nothing was changed"'],
}


def unescaped(code):
    return code.replace('\\"', '"').replace("\\\\", "\\")


def main(root):
    root = pathlib.Path(root)
    code = "".join(p.read_text(encoding="utf-8") for p in sorted((root / "src").rglob("*"))
                   if p.suffix in (".cpp", ".h"))
    text = unescaped(code)
    guide = (root / "docs" / "使用说明.md").read_text(encoding="utf-8")
    headings = {line.lstrip("#").strip() for line in guide.splitlines() if line.startswith("#")}
    failures = []

    def shown(fragment):
        if fragment in text:
            return True
        # The error report's full stop.
        return fragment.endswith(".") and len(fragment) > 1 and fragment[-2] > "." and fragment[:-1] in text

    for quote in sorted(set(re.findall("“([^”]*)”", guide))):
        if quote in headings or quote in WINDOWS_TEXTS:
            continue
        if quote in COMPOSED:
            failures += [f"“{quote}”: the code no longer holds {piece}" for piece in COMPOSED[quote] if piece not in code]
            continue
        for fragment in quote.split("…"):
            if fragment.strip() and not shown(fragment):
                failures.append(f"“{quote}”: {fragment!r} is not a text of the program")

    window = (root / "src" / "app" / "mian.cpp").read_text(encoding="utf-8")
    for name, message in re.findall(r'const char\* const (k\w+) = "((?:[^"\\]|\\.)*)";', window):
        if name != "kLabelInitial" and f"“{unescaped(message)}”" not in guide:
            failures.append(f"the window's {name} {unescaped(message)!r} is not quoted exactly in the guide")

    for failure in failures:
        print(failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
