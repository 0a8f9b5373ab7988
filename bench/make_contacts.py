#!/usr/bin/env python3
"""Writes the contacts the whole-process benchmark converts.

  make_contacts.py FOLDER ROWS [ROWS...]

For each ROWS it writes, into FOLDER:
  exchange-ROWS.csv  an Exchange 5.x directory export (CR LF lines, quoted
                     cells, "SMTP:" e-mail cells with an X.400 group after the
                     group symbol, extra columns the importer skips)
  abook-ROWS.csv     the same contacts as abook's csv input (name, email,
                     phone = the fax number, notes = the department)
and once:
  book-9999.abu      a plain native book of 9,999 entries for the open and
                     export benchmark.

Every contact carries either a fax number or an e-mail address, never both,
so one row makes one entry and 9,998 rows fit in a book. Every 97th row
repeats an earlier name, so the merge settles names that come twice. A quarter
of the names are CJK (UTF-8, the code page the benchmark runs in).
"""

import os
import sys

SURNAMES = ["Chen", "Lin", "Huang", "Chang", "Li", "Wang", "Wu", "Liu", "Tsai", "Yang",
            "Hsu", "Cheng", "Hsieh", "Kuo", "Hung", "Tseng", "Chiu", "Liao", "Lai", "Chou"]
GIVEN = ["Wei", "Mei-Ling", "Chih-Hao", "Yu-Ting", "Jun", "Hsin-Yi", "Kai", "Pei-Shan",
         "Tzu-Yang", "An", "Ya-Wen", "Po-Han", "Shu-Fen", "Ming", "I-Chen", "Hao"]
CJK_SURNAMES = ["陳", "林", "黃", "張", "李", "王", "吳", "劉"]
CJK_GIVEN = ["志明", "美玲", "家豪", "雅婷", "俊傑", "欣怡", "冠宇", "佩珊"]
COMPANIES = ["Velmo Trading", "Northwind Freight, Ltd.", "Keelung Harbour Works",
             "Formosa Optics", "Tamsui Paper \"Old Mill\"", "Hsinchu Semis"]
DEPARTMENTS = ["Sales", "Purchasing", "Accounts", "Logistics", "R&D", "Front Desk", "Legal"]

EXCHANGE_HEADER = ["Obj-Class", "First Name", "Last name", "Display Name", "Title", "Company",
                   "Department", "Office", "Phone number", "Fax number", "E-mail Addresses",
                   "Alias Name"]


def contact(i):
    """(given, surname, display, company, department, fax, email) of row i."""
    j = i - 96 if i % 97 == 96 else i  # every 97th row repeats an earlier name
    if j % 4 == 3:
        given = CJK_GIVEN[j // 4 % len(CJK_GIVEN)]
        surname = CJK_SURNAMES[j // 32 % len(CJK_SURNAMES)] + str(j)
    else:
        given = GIVEN[j % len(GIVEN)]
        surname = SURNAMES[j // len(GIVEN) % len(SURNAMES)] + str(j)
    company = COMPANIES[i % len(COMPANIES)]
    department = DEPARTMENTS[i % len(DEPARTMENTS)] + " " + str(i % 13)
    fax = email = ""
    if i % 3 == 2:
        email = "%s.%s%d@%s.example.com" % (GIVEN[i % len(GIVEN)].lower(), "user", i,
                                            ["mail", "corp", "tw"][i % 3])
    else:
        fax = "+886 (%d) %04d-%04d ext.%d" % (2 + i % 7, 2000 + i % 8000, i % 10000, i % 90 + 10)
    return given, surname, given + " " + surname, company, department, fax, email


def csv_cell(text, quote='"'):
    """Quoted when it holds the delimiter or a quote; quotes doubled."""
    if "," in text or quote in text:
        return quote + text.replace(quote, quote * 2) + quote
    return text


def exchange_row(i):
    given, surname, display, company, department, fax, email = contact(i)
    mail_cell = ("SMTP:" + email + "%X400:c=TW;a= ;p=Velmo;o=Taipei;s=" + surname + ";g=" + given + ";"
                 if email else "X400:c=TW;a= ;p=Velmo;o=Taipei;s=" + surname + ";")
    cells = ["mailbox", given, surname, display, "Staff", company, department, "Taipei %d" % (i % 9),
             "+886 2 %04d %04d" % (i % 10000, (i * 7) % 10000), fax, mail_cell, "u%05d" % i]
    return ",".join(csv_cell(c) for c in cells)


def abook_row(i):
    given, surname, display, company, department, fax, email = contact(i)
    # name, email, phone, notes, nick: the columns abook's csv input reads.
    return ",".join('"' + c.replace('"', '""') + '"' for c in
                    [display, email, fax, company + " " + department, ""])


def book_field(text):
    quoted = "," in text
    text = text.replace('"', '""')
    return '"' + text + '"' if quoted else text


def write(path, lines, line_end):
    with open(path, "w", encoding="utf-8", newline="") as f:
        for line in lines:
            f.write(line + line_end)


def main():
    if len(sys.argv) < 3:
        sys.stderr.write(__doc__)
        return 2
    folder = sys.argv[1]
    os.makedirs(folder, exist_ok=True)
    for rows in (int(a) for a in sys.argv[2:]):
        write(os.path.join(folder, "exchange-%d.csv" % rows),
              [",".join(EXCHANGE_HEADER)] + [exchange_row(i) for i in range(rows)], "\r\n")
        write(os.path.join(folder, "abook-%d.csv" % rows), [abook_row(i) for i in range(rows)], "\n")
    book = ["0,Velmo.Lisotrex.Document,200,1600,1,1,"]
    for i in range(9999):
        given, surname, display, company, department, fax, email = contact(i)
        book.append(",".join(["1" if email else "0", book_field(display), "",
                              book_field(email or fax.replace(" ", "")),
                              book_field(company + " " + department), str(i % 5 * 1234)]))
    write(os.path.join(folder, "book-9999.abu"), book, "\r\n")
    return 0


if __name__ == "__main__":
    sys.exit(main())
