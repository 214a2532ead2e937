"""Independent reader for the export steps' tables (Debian's dbfread).

  leer_dbf.py FILE.DBF FIELD...   one line per row, the fields' values separated by tabs,
                                  text decoded from Windows-1252, written as UTF-8;
                                  blank numbers and logicals as "", logicals as True/False,
                                  numbers as Python writes them.
"""
import sys

from dbfread import DBF


def texto(valor):
    if valor is None:
        return ""
    if isinstance(valor, float) and valor.is_integer():
        return str(int(valor))
    return str(valor)


def main():
    archivo, campos = sys.argv[1], sys.argv[2:]
    tabla = DBF(archivo, encoding="cp1252", char_decode_errors="strict")
    salida = sys.stdout.buffer
    for fila in tabla:
        salida.write(("\t".join(texto(fila[c]) for c in campos) + "\n").encode("utf-8"))


if __name__ == "__main__":
    main()
