#!/usr/bin/python3
"""Writes the test workbooks in this folder (run from it; see README).

excel.xlsx and inline.xlsx are written part by part as Excel and inline-string
writers (xlsxwriter's constant-memory mode, pandas' other engines, web
exports) write them; openpyxl.xlsx with openpyxl; the LibreOffice files by
LibreOffice itself from google.csv; odd.ods by hand as LibreOffice writes
repeated rows and columns; and the bad workbooks.
"""
import datetime
import os
import subprocess
import zipfile

XML = '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
MAIN = 'http://schemas.openxmlformats.org/spreadsheetml/2006/main'
REL = 'http://schemas.openxmlformats.org/officeDocument/2006/relationships'
PKG = 'http://schemas.openxmlformats.org/package/2006/relationships'
GOOGLE = ['First Name', 'Last Name', 'Name Prefix', 'Organization Name', 'Organization Title',
          'Birthday', 'Phone 1 - Label', 'Phone 1 - Value', 'Phone 2 - Label', 'Phone 2 - Value',
          'E-mail 1 - Value', 'Notes']
OUTLOOK = ['First Name', 'Last Name', 'Company', 'Job Title', 'Business Phone', 'Mobile Phone',
           'E-mail Address', 'Notes']


def serial(date, date1904=False):
    return (date - (datetime.date(1904, 1, 1) if date1904 else datetime.date(1899, 12, 30))).days


def write_zip(path, parts):
    with zipfile.ZipFile(path, 'w', zipfile.ZIP_DEFLATED) as z:
        for name, text in parts:
            z.writestr(zipfile.ZipInfo(name, (1980, 1, 1, 0, 0, 0)), text,
                       zipfile.ZIP_STORED if name == 'mimetype' else zipfile.ZIP_DEFLATED)


def content_types(sheets, shared):
    over = ''.join(f'<Override PartName="/xl/worksheets/sheet{i}.xml" ContentType="application/'
                   'vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml"/>'
                   for i in range(1, sheets + 1))
    if shared:
        over += ('<Override PartName="/xl/sharedStrings.xml" ContentType="application/vnd.'
                 'openxmlformats-officedocument.spreadsheetml.sharedStrings+xml"/>')
    return (XML + '<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">'
            '<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.'
            'relationships+xml"/><Default Extension="xml" ContentType="application/xml"/>'
            '<Override PartName="/xl/workbook.xml" ContentType="application/vnd.openxmlformats-'
            'officedocument.spreadsheetml.sheet.main+xml"/>' + over +
            '<Override PartName="/xl/styles.xml" ContentType="application/vnd.openxmlformats-'
            'officedocument.spreadsheetml.styles+xml"/></Types>')


ROOT_RELS = (XML + f'<Relationships xmlns="{PKG}"><Relationship Id="rId1" Type="{REL}/'
             'officeDocument" Target="xl/workbook.xml"/></Relationships>')


def styles(formats, xfs):
    fmts = ''.join(f'<numFmt numFmtId="{i}" formatCode="{c}"/>' for i, c in formats)
    return (XML + f'<styleSheet xmlns="{MAIN}"><numFmts count="{len(formats)}">{fmts}</numFmts>'
            '<fonts count="1"><font><sz val="11"/><name val="Calibri"/></font></fonts>'
            '<cellStyleXfs count="1"><xf numFmtId="0" fontId="0"/></cellStyleXfs>'
            f'<cellXfs count="{len(xfs)}">' +
            ''.join(f'<xf numFmtId="{x}" fontId="0" xfId="0" applyNumberFormat="1"/>' for x in xfs) +
            '</cellXfs></styleSheet>')


def sheet(rows):
    return (XML + f'<worksheet xmlns="{MAIN}" xmlns:r="{REL}"><dimension ref="A1:L6"/>'
            '<sheetViews><sheetView workbookViewId="0"/></sheetViews>'
            '<sheetFormatPr defaultRowHeight="15"/><sheetData>' + ''.join(rows) +
            '</sheetData><pageMargins left="0.7" right="0.7" top="0.75" bottom="0.75" '
            'header="0.3" footer="0.3"/></worksheet>')


def col(i):
    return chr(ord('A') + i)


def excel():
    """As Excel writes: shared strings, absolute targets, a title row."""
    strings = []

    def s(text):
        if text not in strings:
            strings.append(text)
        return strings.index(text)

    def row(r, cells):  # cells: (column, kind, value, style)
        out = ''.join(
            f'<c r="{col(c)}{r}"' + (f' s="{st}"' if st else '') + (' t="s"' if k == 's' else '') +
            f'><v>{s(v) if k == "s" else v}</v></c>' for c, k, v, st in cells)
        return f'<row r="{r}" spans="1:12">{out}</row>'

    rows1 = [row(1, [(0, 's', 'Company phone list', 0)]),
             row(3, [(i, 's', h, 0) for i, h in enumerate(GOOGLE)]),
             row(4, [(0, 's', '伟', 0), (1, 's', '张', 0), (3, 's', '华为', 0),
                     (4, 's', '工程师', 0), (5, 'n', serial(datetime.date(1980, 3, 7)), 1),
                     (6, 's', 'Mobile', 0), (7, 'n', '13800138000', 0), (8, 's', 'Work', 0),
                     (9, 's', '075588880000', 0), (10, 's', 'zhang@example.com', 0),
                     (11, 's', 'Two_x000D_\nlines', 0)]),
             row(5, [(0, 's', 'Jane', 0), (1, 's', 'Doe', 0), (2, 's', 'Dr.', 0),
                     (3, 's', 'Acme', 0), (5, 'n', serial(datetime.date(1975, 12, 31)), 2),
                     (6, 's', 'Mobile', 0), (7, 'n', '5551234', 0),
                     (10, 's', 'jane@example.org', 0), (11, 'n', '3.5', 0)])]
    rows2 = [row(1, [(i, 's', h, 0) for i, h in enumerate(OUTLOOK)]),
             row(2, [(0, 's', 'Li', 0), (1, 's', 'Wang', 0), (5, 'n', '13900139000', 0)])]
    sst = ''.join(f'<si><t xml:space="preserve">{t}</t></si>' for t in strings)
    write_zip('excel.xlsx', [
        ('[Content_Types].xml', content_types(2, True)),
        ('_rels/.rels', ROOT_RELS),
        ('xl/workbook.xml', XML + f'<workbook xmlns="{MAIN}" xmlns:r="{REL}"><workbookPr '
         'defaultThemeVersion="166925"/><bookViews><workbookView/></bookViews><sheets>'
         '<sheet name="Contacts" sheetId="1" r:id="rId1"/><sheet name="Other" sheetId="2" '
         'r:id="rId2"/></sheets><calcPr calcId="191029"/></workbook>'),
        ('xl/_rels/workbook.xml.rels', XML + f'<Relationships xmlns="{PKG}">'
         f'<Relationship Id="rId3" Type="{REL}/styles" Target="/xl/styles.xml"/>'
         f'<Relationship Id="rId2" Type="{REL}/worksheet" Target="/xl/worksheets/sheet2.xml"/>'
         f'<Relationship Id="rId1" Type="{REL}/worksheet" Target="/xl/worksheets/sheet1.xml"/>'
         f'<Relationship Id="rId4" Type="{REL}/sharedStrings" Target="/xl/sharedStrings.xml"/>'
         '</Relationships>'),
        ('xl/worksheets/sheet1.xml', sheet(rows1)),
        ('xl/worksheets/sheet2.xml', sheet(rows2)),
        ('xl/styles.xml', styles([(164, 'yyyy&quot;年&quot;m&quot;月&quot;d&quot;日&quot;')],
                                 [0, 14, 164])),
        ('xl/sharedStrings.xml', XML + f'<sst xmlns="{MAIN}" count="{len(strings)}" '
         f'uniqueCount="{len(strings)}">{sst}</sst>'),
    ])


def inline():
    """Inline strings, relative targets, no cell references, the 1904 date system."""
    def c(kind, v, ref='', style=0):
        r = f' r="{ref}"' if ref else ''
        st = f' s="{style}"' if style else ''
        if kind == 'is':
            return f'<c{r} t="inlineStr"><is><t>{v}</t></is></c>'
        if kind == 'rich':
            return f'<c{r} t="inlineStr"><is>' + ''.join(
                f'<r><t>{p}</t></r>' for p in v) + '<rPh sb="0" eb="1"><t>ジ</t></rPh></is></c>'
        if kind == 'str':
            return f'<c{r} t="str"><f>UPPER("acme")</f><v>{v}</v></c>'
        return f'<c{r}{st}' + (f' t="{kind}"' if kind != 'n' else '') + f'><v>{v}</v></c>'

    rows = ['<row>' + ''.join(c('is', h) for h in OUTLOOK) + '</row>',
            '<row>' + c('rich', ['Jo', 'hn']) + c('is', 'Smith') + c('str', 'ACME') +
            c('e', '#N/A') + c('n', '1.3800138E10') + c('n', '8613800138000') +
            c('is', 'john@example.com') +
            c('n', serial(datetime.date(1980, 3, 7), True), style=1) + '</row>',
            '<row r="4"><c r="A4" t="inlineStr"><is><t>Ann</t></is></c>' + c('n', '0.1', 'E4') +
            c('b', '1', 'H4') + '</row>']
    write_zip('inline.xlsx', [
        ('[Content_Types].xml', content_types(1, False)),
        ('_rels/.rels', ROOT_RELS),
        ('xl/workbook.xml', XML + f'<workbook xmlns="{MAIN}" xmlns:r="{REL}"><workbookPr '
         'date1904="1"/><sheets><sheet name="Sheet1" sheetId="1" r:id="rId1"/></sheets>'
         '</workbook>'),
        ('xl/_rels/workbook.xml.rels', XML + f'<Relationships xmlns="{PKG}">'
         f'<Relationship Id="rId1" Type="{REL}/worksheet" Target="worksheets/sheet1.xml"/>'
         f'<Relationship Id="rId2" Type="{REL}/styles" Target="styles.xml"/></Relationships>'),
        ('xl/worksheets/sheet1.xml', sheet(rows)),
        ('xl/styles.xml', styles([], [0, 14])),
    ])


def odd_ods():
    """As LibreOffice writes: repeated cells and rows, several paragraphs."""
    head = ''.join(f'<table:table-cell office:value-type="string"><text:p>{h}</text:p>'
                   '</table:table-cell>' for h in OUTLOOK)
    empty = '<table:table-cell table:number-columns-repeated="16376"/>'
    row = ('<table:table-row><table:table-cell office:value-type="string"><text:p>Al'
           '</text:p></table:table-cell><table:table-cell table:number-columns-repeated="3"/>'
           '<table:table-cell office:value-type="float" office:value="13800138000">'
           '<text:p>1.38E+10</text:p></table:table-cell><table:table-cell/><table:table-cell/>'
           '<table:table-cell office:value-type="string"><text:p>a<text:s text:c="2"/>b</text:p>'
           '<text:p>c<text:line-break/>d</text:p><office:annotation><text:p>hidden</text:p>'
           '</office:annotation></table:table-cell>' + empty.replace('16376', '16372') +
           '</table:table-row>')
    body = ('<table:table table:name="Sheet1"><table:table-column table:number-columns-repeated='
            '"16384"/><table:table-row>' + head + empty + '</table:table-row>'
            '<table:table-row table:number-rows-repeated="3"><table:table-cell table:number-'
            'columns-repeated="16384"/></table:table-row>' +
            row.replace('<table:table-row>', '<table:table-row table:number-rows-repeated="2">') +
            '<table:table-row table:number-rows-repeated="1048570"><table:table-cell table:'
            'number-columns-repeated="16384"/></table:table-row></table:table>')
    ns = ('xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" '
          'xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0" '
          'xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"')
    write_zip('odd.ods', [
        ('mimetype', 'application/vnd.oasis.opendocument.spreadsheet'),
        ('content.xml', XML + f'<office:document-content {ns} office:version="1.3"><office:body>'
         f'<office:spreadsheet>{body}</office:spreadsheet></office:body>'
         '</office:document-content>'),
    ])


def with_openpyxl():
    import openpyxl
    book = openpyxl.Workbook()
    sheet = book.active
    sheet.title = 'Contacts'
    sheet.append(GOOGLE)
    sheet.append(['伟', '张', None, '华为', '工程师', datetime.date(1980, 3, 7), 'Mobile',
                  13800138000, 'Work', '075588880000', 'zhang@example.com', 'Two\nlines'])
    sheet.append(['Jane', 'Doe', 'Dr.', 'Acme', None, datetime.date(1975, 12, 31), 'Mobile',
                  5551234, None, None, 'jane@example.org', 3.5])
    book.save('openpyxl.xlsx')


def with_libreoffice():
    for ext, filter_name in (('ods', 'ods'), ('xlsx', 'xlsx:Calc MS Excel 2007 XML'),
                             ('xls', 'xls:MS Excel 97')):
        # Column 10 (Phone 2 - Value) as text, as a user keeps a leading zero.
        subprocess.run(['soffice', '--headless', '--infilter=CSV:44,34,76,1,10/2,1033,false,true',
                        '--convert-to', filter_name, 'google.csv'], check=True)
        os.replace('google.' + ext, 'libreoffice.' + ext)


def bad():
    write_zip('no-workbook.xlsx', [('hello.txt', 'hello')])
    data = open('excel.xlsx', 'rb').read()
    open('truncated.xlsx', 'wb').write(data[:len(data) // 2])
    source = zipfile.ZipFile('inline.xlsx')
    write_zip('broken-sheet.xlsx', [(i.filename, source.read(i)) for i in source.infolist()
                                    if i.filename != 'xl/worksheets/sheet1.xml'] +
              [('xl/worksheets/sheet1.xml', f'<worksheet xmlns="{MAIN}"><sheetData><row>')])
    open('random.xlsx', 'wb').write(b'PK\x03\x04' + bytes((i * 73 + 11) % 256 for i in range(600)))
    # An xlsx saved with a password: an OLE2 file with an EncryptionInfo stream (its directory
    # entry's name is all that is needed to tell it).
    ole = bytearray(b'\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1' + bytes(504) + bytes(512))
    name = 'EncryptionInfo'.encode('utf-16-le')
    ole[512:512 + len(name)] = name
    open('encrypted.xlsx', 'wb').write(bytes(ole))


if __name__ == '__main__':
    excel()
    inline()
    odd_ods()
    with_openpyxl()
    with_libreoffice()
    bad()
