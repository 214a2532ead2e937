#!/usr/bin/python3
"""Reads a .DBF with two independent readers (dbfread and python3-dbf) and prints, for each,
its fields and rows in one plain text form, so a test can compare them with what it wrote.

    dbf_readers.py FILE.DBF

Output, per reader R in (dbfread, dbf):
    R field NAME TYPE LENGTH DECIMALS
    R row N NAME=VALUE|NAME=VALUE...
Values: text as decoded by the reader from the table's language driver (printed UTF-8, trailing
blanks kept as '·' so pad errors show), numbers in plain decimal, logicals True/False, <null> for
a blank value. Text is decoded by each reader itself from the header's language driver byte.
"""
import sys


def show(value):
    if value is None:
        return "<null>"
    if isinstance(value, bool):
        return "True" if value else "False"
    if isinstance(value, int):
        return str(value)
    if isinstance(value, float):
        return str(int(value)) if value.is_integer() else repr(value)
    if isinstance(value, bytes):
        return "<bytes " + value.hex() + ">"
    text = str(value)
    stripped = text.rstrip(" ")
    return stripped + "·" * (len(text) - len(stripped))


def with_dbfread(path):
    import dbfread
    table = dbfread.DBF(path, load=True, char_decode_errors="strict")
    for f in table.fields:
        print("dbfread field %s %s %d %d" % (f.name, f.type, f.length, f.decimal_count))
    for n, record in enumerate(table.records, 1):
        print("dbfread row %d %s" % (n, "|".join("%s=%s" % (k, show(v)) for k, v in record.items())))


def with_dbf(path):
    import dbf
    table = dbf.Table(path)
    table.open(dbf.READ_ONLY)
    try:
        for name in table.field_names:
            info = table.field_info(name)
            print("dbf field %s %s %d %d" % (name.upper(), chr(info.field_type), info.length,
                                               info.decimal))
        for n, record in enumerate(table, 1):
            values = []
            for name in table.field_names:
                value = record[name]
                if chr(table.field_info(name).field_type) == "C" and isinstance(value, str):
                    value = value.rstrip(" ")  # python3-dbf hands text back unpadded or padded by version
                    if value == "":
                        value = None
                values.append("%s=%s" % (name.upper(), show(value)))
            print("dbf row %d %s" % (n, "|".join(values)))
    finally:
        table.close()


if __name__ == "__main__":
    with_dbfread(sys.argv[1])
    with_dbf(sys.argv[1])
