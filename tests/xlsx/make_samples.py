#!/usr/bin/python3
"""Makes the workbooks the spreadsheet layer's tests read: command sequences as other programs
save them. Run from anywhere with Debian's python3 (python3-openpyxl) and LibreOffice Calc
installed; the files land beside this script and are committed, so the tests need neither.

  openpyxl_sequence.xlsx     openpyxl: inline strings, numbers, a boolean, an empty cell
  libreoffice_sequence.xlsx  LibreOffice Calc: shared strings, a rich-text run, a text that
                             looks like a number, a formula with a text result

Each has a second sheet, "Notes", that reaches further down than the sequence: a reader that
takes any sheet but the first one shows it at once.
"""

import os
import shutil
import subprocess
import tempfile

import openpyxl

HERE = os.path.dirname(os.path.abspath(__file__))
HEADER = ["No.", "Cmd ID", "Command Discription", "Address", "Data", "Delay", "Response"]


def add_notes(book):
    notes = book.create_sheet("Notes")
    for row in range(1, 11):
        notes.cell(row=row, column=1, value="note %d" % row)


def make_openpyxl():
    book = openpyxl.Workbook()
    sheet = book.active
    sheet.title = "Sequence"
    sheet.append(HEADER)
    sheet.append([1, 350, "DAPC", "Broadcast", 100, 50, None])
    sheet.append([2, 0, "OFF", "Group 3", None, 1000, "----"])
    sheet.append([3, 160, "QUERY ACTUAL LEVEL", "Addr 10", None, 2.5, True])
    add_notes(book)
    book.save(os.path.join(HERE, "openpyxl_sequence.xlsx"))


def ods_cell(content):
    if content is None:
        return "<table:table-cell/>"
    if isinstance(content, (int, float)):
        return ('<table:table-cell office:value-type="float" office:value="%s"><text:p>%s</text:p>'
                "</table:table-cell>" % (content, content))
    return '<table:table-cell office:value-type="string"><text:p>%s</text:p></table:table-cell>' % content


def ods_table(name, rows):
    lines = ['<table:table table:name="%s">' % name]
    for row in rows:
        lines.append("<table:table-row>%s</table:table-row>" % "".join(
            cell if isinstance(cell, str) and cell.startswith("<table:") else ods_cell(cell) for cell in row))
    lines.append("</table:table>")
    return "\n".join(lines)


def make_libreoffice():
    rich = ('<table:table-cell office:value-type="string"><text:p>QUERY '
            '<text:span text:style-name="T1">STATUS</text:span></text:p></table:table-cell>')
    number_text = '<table:table-cell office:value-type="string"><text:p>007</text:p></table:table-cell>'
    formula = ('<table:table-cell table:formula="of:=&quot;Addr &quot;&amp;&quot;5&quot;" '
               'office:value-type="string" office:string-value="Addr 5"><text:p>Addr 5</text:p></table:table-cell>')
    sequence = [
        HEADER,
        [1, 350, "DAPC", "Broadcast", 254, 50, None],
        [2, 257, "DTR0*", "Broadcast", number_text, 0.25, "----"],
        [3, 144, rich, formula, None, 100, "0x1F"],
    ]
    notes = [["note %d" % row] for row in range(1, 11)]
    document = """<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
 xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0"
 xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"
 xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0"
 xmlns:fo="urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0"
 xmlns:of="urn:oasis:names:tc:opendocument:xmlns:of:1.2"
 office:version="1.2" office:mimetype="application/vnd.oasis.opendocument.spreadsheet">
<office:automatic-styles>
<style:style style:name="T1" style:family="text"><style:text-properties fo:font-weight="bold"/></style:style>
</office:automatic-styles>
<office:body><office:spreadsheet>
%s
%s
</office:spreadsheet></office:body></office:document>
""" % (ods_table("Sequence", sequence), ods_table("Notes", notes))

    work = tempfile.mkdtemp()
    try:
        source = os.path.join(work, "libreoffice_sequence.fods")
        with open(source, "w", encoding="utf-8") as f:
            f.write(document)
        # A profile of its own, so that a running LibreOffice or the user's settings play no part.
        subprocess.run(["soffice", "-env:UserInstallation=file://" + os.path.join(work, "profile"),
                        "--headless", "--convert-to", "xlsx", "--outdir", work, source],
                       check=True, stdout=subprocess.DEVNULL)
        shutil.copy(os.path.join(work, "libreoffice_sequence.xlsx"), HERE)
    finally:
        shutil.rmtree(work)


if __name__ == "__main__":
    make_openpyxl()
    make_libreoffice()
