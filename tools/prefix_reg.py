#!/usr/bin/env python3
"""Prints the registry settings of KOVA's Wine prefix as a UTF-16 .reg file."""
import sys

GOTHIC_P = "IPAPGothic"
GOTHIC = "IPAGothic"
SUBSTITUTES = {
    "ＭＳ Ｐゴシック": GOTHIC_P,
    "MS PGothic": GOTHIC_P,
    "MS UI Gothic": GOTHIC_P,
    "MS Shell Dlg": GOTHIC_P,
    "MS Shell Dlg 2": GOTHIC_P,
    "MS Sans Serif": GOTHIC_P,
    "Tahoma": GOTHIC_P,
    "ＭＳ ゴシック": GOTHIC,
    "MS Gothic": GOTHIC,
}

lines = ["Windows Registry Editor Version 5.00", ""]
lines.append(r"[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes]")
lines += [f'"{k}"="{v}"' for k, v in SUBSTITUTES.items()]
lines.append("")
text = "\r\n".join(lines) + "\r\n"
sys.stdout.buffer.write(b"\xff\xfe" + text.encode("utf-16-le"))
