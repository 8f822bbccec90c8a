#!/usr/bin/python3
"""Files other programs write that the producers at hand do not, made from
theirs by changing only what differs: no-references.xlsx (cells without
their r attribute, as several writers leave them), strict.xlsx (Excel's
strict namespaces), google.ods (an .ods without its mimetype entry),
password.xlsx (the compound file Excel keeps a book with a password in: its
EncryptionInfo and EncryptedPackage streams, their content not a real
encryption)."""
import re
import struct
import zipfile


def rewrite(source, target, change, drop=()):
    with zipfile.ZipFile(source) as z, zipfile.ZipFile(target, "w", zipfile.ZIP_DEFLATED) as out:
        for info in z.infolist():
            if info.filename in drop:
                continue
            data = change(info.filename, z.read(info.filename))
            out.writestr(info, data, zipfile.ZIP_STORED if info.filename == "mimetype" else zipfile.ZIP_DEFLATED)


def column(reference):
    number = 0
    for letter in re.match(rb"[A-Z]+", reference).group(0):
        number = number * 26 + letter - ord("A") + 1
    return number - 1


def without_references(row):
    """A row's cells in sequence, each gap an empty cell, no cell naming its place."""
    cells, at = [], 0
    for cell in re.finditer(rb'<c r="([A-Z]+[0-9]+)"(.*?)(/>|>.*?</c>)', row.group(2)):
        cells += [b"<c/>"] * (column(cell.group(1)) - at)
        cells.append(b"<c" + cell.group(2) + cell.group(3))
        at = column(cell.group(1)) + 1
    return row.group(1) + b"".join(cells) + b"</row>"


def no_references(name, data):
    if name.startswith("xl/worksheets/"):
        data = re.sub(rb"(<row[^>]*>)(.*?)</row>", without_references, data)
    return data


STRICT = [(b"http://schemas.openxmlformats.org/spreadsheetml/2006/main", b"http://purl.oclc.org/ooxml/spreadsheetml/main"),
          (b"http://schemas.openxmlformats.org/officeDocument/2006/relationships",
           b"http://purl.oclc.org/ooxml/officeDocument/relationships")]


def strict(name, data):
    for old, new in STRICT:
        data = data.replace(old, new)
    return data


rewrite("xlsxwriter.xlsx", "no-references.xlsx", no_references)
rewrite("xlsxwriter.xlsx", "strict.xlsx", strict)
rewrite("libreoffice.ods", "google.ods", lambda name, data: data, drop=("mimetype",))


def compound_file(path, streams):
    """A compound file (version 3, 512-byte sectors) of streams of 4096
    bytes or more each, so no mini stream is needed."""
    END, FREE, FAT = 0xFFFFFFFE, 0xFFFFFFFF, 0xFFFFFFFD
    sectors, fat, starts = [], [FAT, END], []
    for name, data in streams:
        data = data + b"\0" * (-len(data) % 512)
        first = 2 + len(sectors)
        starts.append(first)
        count = len(data) // 512
        fat += [first + k + 1 for k in range(count - 1)] + [END]
        sectors += [data[k * 512:(k + 1) * 512] for k in range(count)]
    fat += [FREE] * (128 - len(fat))

    def entry(name, kind, child, right, start, size):
        encoded = name.encode("utf-16-le") + b"\0\0"
        return (encoded.ljust(64, b"\0") + struct.pack("<HBBIII", len(encoded), kind, 1, FREE, right, child)
                + b"\0" * 16 + b"\0" * 4 + b"\0" * 16 + struct.pack("<IQ", start, size))

    directory = entry("Root Entry", 5, 1, FREE, END, 0)
    for i, (name, data) in enumerate(streams):
        directory += entry(name, 2, FREE, i + 2 if i + 1 < len(streams) else FREE, starts[i], len(data))
    directory = directory.ljust(512, b"\0")
    header = (b"\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1" + b"\0" * 16 + struct.pack("<HHHHH", 0x3E, 3, 0xFFFE, 9, 6)
              + b"\0" * 6 + struct.pack("<IIIIIIIII", 0, 1, 1, 0, 4096, END, 0, END, 0)
              + struct.pack("<I", 0) + struct.pack("<I", FREE) * 108)
    with open(path, "wb") as f:
        f.write(header + struct.pack("<128I", *fat) + directory + b"".join(sectors))


compound_file("password.xlsx", [("EncryptionInfo", b"\x04\0\x04\0\x40\0\0\0" + b"<encryption/>".ljust(4088, b" ")),
                                ("EncryptedPackage", open("xlsxwriter.xlsx", "rb").read())])
