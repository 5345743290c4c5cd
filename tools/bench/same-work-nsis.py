#!/usr/bin/env python3
"""Writes the NSIS lines that make an NSIS installer do the same registry and
link work as one recorded run of the setup: every registry value the run
added or changed (compared with the prefix's registry files before it) is
written again with the same type and data, and every link it made is made
again, in the same folders.
  same-work-nsis.py BEFORE_DIR AFTER_DIR INSTALL_FOLDER LINKS.txt OUT.nsh
BEFORE_DIR and AFTER_DIR hold copies of the prefix's system.reg and user.reg;
the device keys that Wine's display driver rewrites for every process that
makes a window (System\CurrentControlSet\Control\Class, ...\Enum) are
left out;
LINKS.txt the Windows paths of the links the run made, one a line.
"Pellumara" in key paths, value names and data becomes "PellumaraNSIS", so
that the NSIS installer's registration never reads as the setup's (the setup
looks for an earlier installation of its own), and the recorded install
folder becomes $INSTDIR. Prints a one-line summary; fails when nothing was
recorded or a value cannot be written the same way; values the run deleted
are counted in the summary, not deleted again."""
import re
import sys

ROOTS = {"system.reg": "HKLM", "user.reg": "HKCU"}
DEVICES = re.compile(r"System\\CurrentControlSet\\(Control\\Class|Enum)\\", re.IGNORECASE)
ESCAPES = {"a": "\a", "b": "\b", "t": "\t", "n": "\n", "v": "\v", "f": "\f", "r": "\r", "e": "\x1b"}


def unescape(text):
    out, i = [], 0
    while i < len(text):
        c = text[i]
        if c != "\\":
            out.append(c)
            i += 1
            continue
        n = text[i + 1]
        if n in ESCAPES:
            out.append(ESCAPES[n])
            i += 2
        elif n == "x":
            m = re.match(r"[0-9a-fA-F]{1,4}", text[i + 2:])
            out.append(chr(int(m.group(0), 16)))
            i += 2 + len(m.group(0))
        elif n in "01234567":
            m = re.match(r"[0-7]{1,3}", text[i + 1:])
            out.append(chr(int(m.group(0), 8)))
            i += 1 + len(m.group(0))
        else:
            out.append(n)
            i += 2
    return "".join(out)


def quoted(text, start):
    """The string in quotes at text[start] and the index after it."""
    assert text[start] == '"'
    i = start + 1
    while text[i] != '"':
        i += 2 if text[i] == "\\" else 1
    return unescape(text[start + 1:i]), i + 1


def parse_value(raw):
    """(type, data): data a str for string types, an int for DWORD, bytes otherwise."""
    if raw.startswith('"'):
        return 1, quoted(raw, 0)[0]
    m = re.match(r"str\((\d+)\):", raw)
    if m:
        return int(m.group(1)), quoted(raw, m.end())[0]
    if raw.startswith("dword:"):
        return 4, int(raw[6:], 16)
    m = re.match(r"hex(?:\((\w+)\))?:", raw)
    if m:
        kind = int(m.group(1), 16) if m.group(1) else 3
        body = raw[m.end():].replace("\\", "").replace(" ", "").replace(",", "")
        return kind, bytes.fromhex(body)
    raise ValueError(f"unknown value form: {raw[:40]}")


def read_registry(path):
    keys = {}
    current = None
    with open(path, encoding="utf-8", errors="surrogateescape") as f:
        lines = f.read().split("\n")
    logical = []
    for line in lines:
        if logical and logical[-1].endswith("\\") and not logical[-1].startswith("["):
            logical[-1] = logical[-1][:-1] + line.strip()
        else:
            logical.append(line)
    for line in logical:
        if line.startswith("["):
            name = line[1:line.rindex("]")]
            current = keys.setdefault(unescape(name), {})
        elif current is not None and (line.startswith('"') or line.startswith("@=")):
            if line.startswith("@="):
                name, rest = "", line[2:]
            else:
                name, end = quoted(line, 0)
                rest = line[end + 1:]
            current[name] = parse_value(rest)
    return keys


def nsis(text):
    return (text.replace("$", "$$").replace('"', '$\\"').replace("\n", "$\\n")
            .replace("\r", "$\\r").replace("\t", "$\\t"))


def renamed(text, folder):
    text = re.sub(re.escape(folder), "\x01", text, flags=re.IGNORECASE)
    text = re.sub("Pellumara", "PellumaraNSIS", text, flags=re.IGNORECASE)
    return nsis(text).replace("\x01", "$INSTDIR")


def main():
    before_dir, after_dir, folder, links_file, out = sys.argv[1:6]
    lines = ["SetRegView 64"]
    values = keys_written = deleted = 0
    for file_name, root in ROOTS.items():
        before = read_registry(f"{before_dir}/{file_name}")
        after = read_registry(f"{after_dir}/{file_name}")
        for key, entries in before.items():
            if not DEVICES.match(key):
                deleted += sum(1 for n in entries if n not in after.get(key, {}))
        for key, entries in after.items():
            if DEVICES.match(key):
                continue
            old = before.get(key, {})
            changed = [(n, v) for n, v in entries.items() if old.get(n) != v]
            if not changed:
                continue
            keys_written += 1
            k = renamed(key, folder)
            for name, (kind, data) in changed:
                n = renamed(name, folder)
                if kind in (1, 2) and isinstance(data, bytes):
                    data = data.decode("utf-16-le").rstrip("\0")
                if kind == 1:
                    lines.append(f'WriteRegStr {root} "{k}" "{n}" "{renamed(data, folder)}"')
                elif kind == 2:
                    lines.append(f'WriteRegExpandStr {root} "{k}" "{n}" "{renamed(data, folder)}"')
                elif kind == 4:
                    lines.append(f'WriteRegDWORD {root} "{k}" "{n}" 0x{data:08x}')
                elif kind == 3:
                    lines.append(f'WriteRegBin {root} "{k}" "{n}" {data.hex().upper()}')
                elif kind == 7:
                    # Written as recorded (NSIS writes no variables into a
                    # multi-string), "Pellumara" renamed.
                    text = data if isinstance(data, str) else data.decode("utf-16-le")
                    text = re.sub("Pellumara", "PellumaraNSIS", text, flags=re.IGNORECASE)
                    lines.append(f'WriteRegMultiStr /REGEDIT5 {root} "{k}" "{n}" '
                                 + text.encode("utf-16-le").hex())
                else:
                    sys.exit(f"same-work-nsis: {root}\\{key} value {name!r} has type {kind},"
                             " which NSIS cannot write the same way")
                values += 1
    links = [line.strip() for line in open(links_file, encoding="utf-8") if line.strip()]
    for link in links:
        parent = link.rsplit("\\", 1)[0]
        lines.append(f'CreateDirectory "{renamed(parent, folder)}"')
        lines.append(f'CreateShortCut "{renamed(link, folder)}" "$INSTDIR\\p_mara64.exe"')
    if values == 0:
        sys.exit("same-work-nsis: the recorded run changed no registry value")
    with open(out, "w", encoding="utf-8-sig") as f:
        f.write("\n".join(lines) + "\n")
    gone = f" ({deleted} values the run deleted are not deleted again)" if deleted else ""
    print(f"{values} registry values in {keys_written} keys, {len(links)} links{gone}")


if __name__ == "__main__":
    main()
