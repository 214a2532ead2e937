"""Independent reader for the export steps' tables.

  leer_dbf.py FILE.DBF FIELD...   one line per row, the fields' values separated by tabs,
                                  text decoded from Windows-1252, written as UTF-8;
                                  blank numbers and logicals as "", logicals as True/False,
                                  numbers as Python writes them.

dBase III/IV tables are read with Debian's dbfread. dbfread does not read dBase 7 (version byte 4:
68-byte header, 48-byte field descriptors), which the tables with a field name longer than ten
characters use, so those are read here straight from the published layout (fields C, L, I).
"""
import struct
import sys


def texto(valor):
    if valor is None:
        return ""
    if isinstance(valor, float) and valor.is_integer():
        return str(int(valor))
    return str(valor)


def filas_dbase7(archivo):
    datos = open(archivo, "rb").read()
    cuantas, largo_cabecera, largo_fila = struct.unpack_from("<IHH", datos, 4)
    campos = []
    pos = 68
    while datos[pos] != 0x0D:
        nombre = datos[pos:pos + 32].split(b"\0", 1)[0].decode("ascii")
        tipo = chr(datos[pos + 32])
        ancho = datos[pos + 33]
        campos.append((nombre, tipo, ancho))
        pos += 48
    if sum(c[2] for c in campos) + 1 != largo_fila:
        raise ValueError("record length %d does not match the fields" % largo_fila)
    for n in range(cuantas):
        fila = datos[largo_cabecera + n * largo_fila:largo_cabecera + (n + 1) * largo_fila]
        if fila[:1] == b"*":
            continue
        valores = {}
        pos = 1
        for nombre, tipo, ancho in campos:
            crudo = fila[pos:pos + ancho]
            pos += ancho
            if tipo == "C":
                valores[nombre] = crudo.rstrip(b" \0").decode("cp1252")
            elif tipo == "L":
                valores[nombre] = {b"T": True, b"F": False}.get(crudo.upper())
            elif tipo == "I":
                # Big-endian with the sign bit flipped, so that the bytes sort as the numbers;
                # all zero bytes is a blank.
                if crudo == b"\0" * 4:
                    valores[nombre] = None
                else:
                    valores[nombre] = struct.unpack(">i", bytes([crudo[0] ^ 0x80]) + crudo[1:])[0]
            else:
                raise ValueError("field type %s not handled" % tipo)
        yield valores


def main():
    archivo, campos = sys.argv[1], sys.argv[2:]
    with open(archivo, "rb") as f:
        version = f.read(1)[0]
    if version & 0x07 == 4:
        tabla = filas_dbase7(archivo)
    else:
        from dbfread import DBF
        tabla = DBF(archivo, encoding="cp1252", char_decode_errors="strict")
    salida = sys.stdout.buffer
    for fila in tabla:
        salida.write(("\t".join(texto(fila[c]) for c in campos) + "\n").encode("utf-8"))


if __name__ == "__main__":
    main()
