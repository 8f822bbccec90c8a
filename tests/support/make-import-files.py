#!/usr/bin/env python3
"""Writes the import tests' lists and collections as the programs that make
them do: make-import-files.py KIND PATH. Every kind holds the same three
items (see ITEMS); the tests compare what the import brings in with them."""
import datetime
import io
import sys
import zipfile

ITEMS = [
    # title, kind, note, debtor, issue, due
    ("Мастер и Маргарита", "Книга", "в твёрдой обложке", "ИРА", datetime.date(2024, 3, 1), datetime.date(2024, 3, 15)),
    ('Пикник; "Обочина", 1972', "Книга", "стр. 1\nстр. 2", "Пётр", datetime.date(2024, 2, 10), None),
    ("Solaris", "DVD", "", "", None, None),
]
HEADER = ["Наименование", "Вид", "Примечание", "Должник", "Дата выдачи", "Вернуть до"]


def csv_text(separator, date_format):
    def cell(value):
        if isinstance(value, datetime.date):
            value = value.strftime(date_format)
        value = value or ""
        if any(c in value for c in (separator, '"', "\n")):
            value = '"' + value.replace('"', '""') + '"'
        return value
    lines = [separator.join(HEADER)] + [separator.join(cell(v) for v in item) for item in ITEMS]
    return "\r\n".join(lines) + "\r\n"


def xlsx(path, epoch1904=False):
    import openpyxl
    book = openpyxl.Workbook()
    book.epoch = openpyxl.utils.datetime.CALENDAR_MAC_1904 if epoch1904 else openpyxl.utils.datetime.CALENDAR_WINDOWS_1900
    book.active.title = "Пусто"
    sheet = book.create_sheet("Вещи")
    sheet.append(HEADER)
    for title, kind, note, debtor, issue, due in ITEMS:
        sheet.append([title, kind, note or None, debtor or None, issue, None])
        row = sheet.max_row
        if due:  # a serial number in a cell without a date format
            sheet.cell(row=row, column=6, value=(due - datetime.date(1899, 12, 30)).days)
        if issue:
            sheet.cell(row=row, column=5).number_format = "DD.MM.YYYY"
    book.save(path)


def ods(path):
    def cell(value):
        if isinstance(value, datetime.date):
            return ('<table:table-cell office:value-type="date" office:date-value="%s"><text:p>%s</text:p>'
                    '</table:table-cell>' % (value.isoformat(), value.strftime("%d.%m.%y")))
        if not value:
            return '<table:table-cell/>'
        paragraphs = "".join("<text:p>%s</text:p>" % p.replace("&", "&amp;").replace("<", "&lt;")
                             for p in value.split("\n"))
        return '<table:table-cell office:value-type="string">%s</table:table-cell>' % paragraphs
    rows = ["<table:table-row>%s</table:table-row>" % "".join(cell(v) for v in row) for row in [HEADER] + ITEMS]
    rows.append('<table:table-row table:number-rows-repeated="1048000"><table:table-cell '
                'table:number-columns-repeated="1024"/></table:table-row>')
    content = ('<?xml version="1.0" encoding="UTF-8"?><office:document-content '
               'xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" '
               'xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0" '
               'xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" office:version="1.2">'
               '<office:body><office:spreadsheet><table:table table:name="Вещи">%s</table:table>'
               '</office:spreadsheet></office:body></office:document-content>' % "".join(rows))
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr(zipfile.ZipInfo("mimetype"), "application/vnd.oasis.opendocument.spreadsheet")
        z.writestr("content.xml", content)
        z.writestr("META-INF/manifest.xml", "<manifest/>")


def escape(text):
    return text.replace("&", "&amp;").replace("<", "&lt;").replace('"', "&quot;")


def tellico():
    entries, loans = [], []
    for n, (title, kind, note, debtor, issue, due) in enumerate(ITEMS, 1):
        field = "medium" if kind == "DVD" else "binding"
        entries.append('<entry id="%d"><title>%s</title><%s>%s</%s>%s<genres><genre>Проза</genre></genres></entry>'
                       % (n, escape(title), field, kind, field,
                          "<comments>%s</comments>" % escape(note).replace("\n", "&lt;br/&gt;") if note else ""))
        if debtor:
            loans.append('<borrower name="%s" uid=""><loan uid="L%d" entryRef="%d" loanDate="%s" dueDate="%s">'
                         'заметка</loan></borrower>' % (debtor, n, n, issue.isoformat(), due.isoformat() if due else ""))
    return ('<?xml version="1.0" encoding="UTF-8"?>\n<!DOCTYPE tellico PUBLIC "-//Robby Stephenson/DTD Tellico V11.0//EN" '
            '"http://periapsis.org/tellico/dtd/v11/tellico.dtd">\n<tellico xmlns="http://periapsis.org/tellico/" '
            'syntaxVersion="11"><collection title="Мои книги" type="2"><fields><field name="_default"/></fields>%s'
            '</collection><borrowers>%s</borrowers></tellico>' % ("".join(entries), "".join(loans)))


def gcstar():
    items = []
    for n, (title, kind, note, debtor, issue, due) in enumerate(ITEMS, 1):
        lent = ' borrower="%s" lendDate="%s"' % (debtor, issue.strftime("%d/%m/%Y")) if debtor else ' borrower="none" lendDate=""'
        history = ""
        if n == 3:  # lent twice before, both back
            history = ('<borrowings><line><col>Анна</col><col>01/12/2023</col><col>20/12/2023</col></line>'
                       '<line><col>ира</col><col>05/01/2024</col><col>10/01/2024</col></line></borrowings>')
        items.append('<item\n id="%d"\n title="%s"\n format="%s"%s\n>\n<comments>%s</comments>\n%s</item>'
                     % (n, escape(title), kind, lent, escape(note), history))
    return ('<?xml version="1.0" encoding="UTF-8"?>\n<collection type="GCbooks" items="3" version="1.7.0">\n'
            '<information><maxId>3</maxId></information>\n%s\n</collection>\n' % "\n".join(items))


def main():
    kind, path = sys.argv[1], sys.argv[2]
    if kind == "csv-utf8":
        open(path, "w", encoding="utf-8", newline="").write(csv_text(";", "%d.%m.%Y"))
    elif kind == "csv-utf8-bom-comma":
        open(path, "w", encoding="utf-8-sig", newline="").write(csv_text(",", "%Y-%m-%d"))
    elif kind == "csv-1251":
        open(path, "w", encoding="cp1251", newline="").write(csv_text(";", "%d.%m.%y"))
    elif kind == "tsv":
        open(path, "w", encoding="utf-8", newline="").write(csv_text("\t", "%d.%m.%Y"))
    elif kind == "xlsx":
        xlsx(path)
    elif kind == "xlsx-1904":
        xlsx(path, epoch1904=True)
    elif kind == "ods":
        ods(path)
    elif kind == "tellico-zip":
        with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as z:
            z.writestr("tellico.xml", tellico())
    elif kind == "tellico-xml":
        open(path, "w", encoding="utf-8").write(tellico())
    elif kind == "gcstar":
        open(path, "w", encoding="utf-8").write(gcstar())
    elif kind == "zip-bomb":
        with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as z:
            z.writestr("xl/workbook.xml", b"<" + b" " * (300 << 20) + b"/>")
    else:
        sys.exit("unknown kind " + kind)


main()
