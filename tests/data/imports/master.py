#!/usr/bin/python3
"""The import tests' master workbook, written with XlsxWriter as Excel
writes its files (shared strings, styles, a merged title, a hidden sheet):
master.py BOOK.xlsx [--1904]. It also writes beside the book what each
list's items are, one per line (title|kind|note|debtor|issue|due, dates
ISO): expected-<sheet>.tsv. Every other fixture is this book as another
program saved it (make-fixtures)."""
import datetime
import os
import sys

import xlsxwriter

D = datetime.date
LISTS = {
    "Список": {
        "title": "Мои вещи на 2024 год",
        "header": ["Наименование", "Вид", "Примечание", "Кому выдано", "Дата выдачи", "Вернуть до", "Автор", "ISBN"],
        "items": [
            ("Мастер и Маргарита", "Книга", "в твёрдой обложке", "ИРА", D(2024, 3, 1), D(2024, 3, 15), "Булгаков",
             "978-5-17-087838-3"),
            ('Пикник; "Обочина", 1972', "Книга", "стр. 1\nстр. 2", "Пётр", D(2024, 2, 10), None, "Стругацкие", ""),
            ("Solaris", "DVD", "", "", None, None, "Тарковский", ""),
            ("Ж" * 50, "", "пустой вид перед примечанием", "", None, None, "", ""),
            ("1984", "Книга", "Ёлка & <ёж> «кавычки»", "Anna Smith", D(2023, 12, 31), D(2024, 1, 1), "Оруэлл", ""),
        ],
    },
    "Latin": {
        "title": None,
        "header": ["Title", "Type", "Notes", "Lent to", "Date lent", "Due date", "library_name"],
        "items": [
            ("Café au lait", "Book", "Hélène's copy", "Hélène Dupré", D(2024, 5, 2), D(2024, 5, 30), "Bibliothèque"),
            ("Crème brûlée", "Recipe", "", "", None, None, "Bibliothèque"),
            ("Smörgåsbord", "DVD", "ñandú", "Jürgen", D(2024, 4, 1), None, "Bibliothèque"),
        ],
    },
}


def write(path, epoch1904):
    book = xlsxwriter.Workbook(path, {"date_1904": epoch1904})
    bold = book.add_format({"bold": True})
    date = book.add_format({"num_format": "dd.mm.yyyy"})
    wrap = book.add_format({"text_wrap": True})
    hidden = book.add_worksheet("Служебный")
    hidden.write(0, 0, "Эта таблица скрыта")
    hidden.write(1, 0, "и не для импорта")
    hidden.hide()
    for name, data in LISTS.items():
        sheet = book.add_worksheet(name)
        row = 0
        if data["title"]:
            sheet.merge_range(0, 0, 0, len(data["header"]) - 1, data["title"], bold)
            row = 2  # a blank row between the title and the header
        sheet.write_row(row, 0, data["header"], bold)
        for item in data["items"]:
            row += 1
            for column, value in enumerate(item):
                if isinstance(value, D):
                    sheet.write_datetime(row, column, datetime.datetime(value.year, value.month, value.day), date)
                elif value:
                    sheet.write_string(row, column, value, wrap if "\n" in value else None)
        sheet.set_column(0, 0, 40)
    book.get_worksheet_by_name("Список").activate()
    book.close()
    if not epoch1904:
        for name, data in LISTS.items():
            with open(os.path.join(os.path.dirname(path), "expected-%s.tsv" % name), "w", encoding="utf-8") as f:
                for item in data["items"]:
                    values = [v.isoformat() if isinstance(v, D) else (v or "") for v in item[:6]]
                    f.write("|".join(v.replace("\n", "\\n") for v in values) + "\n")


if __name__ == "__main__":
    write(sys.argv[1], "--1904" in sys.argv)
