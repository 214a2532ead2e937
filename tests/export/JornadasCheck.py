"""Independent readers for the days step's tables.

  JornadasCheck.py index FILE.MDX TAG   keys of TAG in index order, via Perl's index_dump,
                                         numeric BCD keys decoded: "<value> <recno>" per line
  JornadasCheck.py rows FILE.DBF        field names, then one line per row, via dbfread
"""
import subprocess
import sys
from decimal import Decimal


def decode_bcd(key: bytes) -> Decimal:
    if len(key) != 12:
        raise ValueError("key of %d bytes" % len(key))
    exponent = key[0] - 0x34
    negative = bool(key[1] & 0x80)
    count = (key[1] >> 2) & 0x1F
    digits = ""
    for b in key[2:]:
        digits += "%d%d" % (b >> 4, b & 0x0F)
    digits = digits[:count] if count else "0"
    if digits.strip("0") == "":
        return Decimal(0)
    value = Decimal("0." + digits).scaleb(exponent)
    return -value if negative else value


def index_keys(mdx: str, tag: str) -> None:
    out = subprocess.run(["index_dump", mdx, tag], check=True, capture_output=True).stdout
    # Each line is the 12 raw key bytes, a blank and the record number; the key bytes may
    # themselves hold blanks or line feeds, so the line is cut by position.
    pos = 0
    while pos < len(out):
        key = out[pos:pos + 12]
        pos += 12
        if out[pos:pos + 1] != b" ":
            raise ValueError("unexpected index_dump output at byte %d" % pos)
        end = out.index(b"\n", pos)
        recno = int(out[pos + 1:end])
        pos = end + 1
        value = decode_bcd(key)
        print("%s %d" % (format(value.normalize(), "f"), recno))


def rows(dbf: str) -> None:
    import dbfread
    table = dbfread.DBF(dbf, encoding="cp1252", char_decode_errors="strict")
    print("|".join(table.field_names))
    for record in table:
        print("|".join("" if v is None else str(v) for v in record.values()))


if __name__ == "__main__":
    if sys.argv[1] == "index":
        index_keys(sys.argv[2], sys.argv[3])
    elif sys.argv[1] == "rows":
        rows(sys.argv[2])
    else:
        sys.exit("unknown mode")
