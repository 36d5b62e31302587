"""Prints the Windows architecture that this machine's Wine can run: i686 where the kernel
runs 32-bit programs, x86_64 where it runs 64-bit ones only."""
import os
import struct
import subprocess
import tempfile

# A 32-bit ELF program that only exits with status 0.
code = bytes.fromhex("b801000000" "31db" "cd80")
base = 0x08048000
size = 52 + 32 + len(code)
header = struct.pack("<16sHHIIIIIHHHHHH", b"\x7fELF\x01\x01\x01", 2, 3, 1, base + 84, 52, 0, 0,
                     52, 32, 1, 0, 0, 0)
segment = struct.pack("<IIIIIIII", 1, 0, base, base, size, size, 5, 0x1000)
with tempfile.TemporaryDirectory() as folder:
    path = os.path.join(folder, "probe")
    with open(path, "wb") as f:
        f.write(header + segment + code)
    os.chmod(path, 0o755)
    try:
        ok = subprocess.run([path]).returncode == 0
    except OSError:
        ok = False
print("i686" if ok else "x86_64")
