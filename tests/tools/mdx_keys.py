#!/usr/bin/python3
"""Lists the keys of one tag of a .MDX in the order Perl's XBase walks them, by running
`index_dump FILE.MDX TAG`, and decodes numeric keys (12-byte BCD) to decimal text.

    mdx_keys.py FILE.MDX TAG numeric|character

Prints one line per key: the key (decimal for numeric tags, the raw text decoded as
Windows-1252 for character tags), a space, the record number.
"""
import subprocess
import sys


def bcd(key):
    """12-byte dBase IV BCD: byte 0 = 0x34 + exponent, byte 1 bit 7 = sign, mantissa digits
    two per byte from byte 2, high nibble first."""
    digits = "".join("%d%d" % (b >> 4, b & 0x0F) for b in key[2:12]).rstrip("0")
    if not digits:
        return "0"
    exponent = key[0] - 0x34
    if exponent <= 0:
        text = "0." + "0" * -exponent + digits
    elif exponent >= len(digits):
        text = digits + "0" * (exponent - len(digits))
    else:
        text = digits[:exponent] + "." + digits[exponent:]
    return ("-" if key[1] & 0x80 else "") + text


def main():
    path, tag, kind = sys.argv[1], sys.argv[2], sys.argv[3]
    out = subprocess.run(["index_dump", path, tag], check=True, capture_output=True).stdout
    for line in out.split(b"\n"):
        if not line:
            continue
        key, _, recno = line.rpartition(b" ")
        if kind == "numeric":
            if len(key) != 12:
                raise SystemExit("numeric key of %d bytes: %r" % (len(key), line))
            print(bcd(key), int(recno))
        else:
            print(key.decode("cp1252"), int(recno))


if __name__ == "__main__":
    main()
