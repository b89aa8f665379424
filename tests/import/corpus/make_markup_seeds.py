#!/usr/bin/python3
"""Writes the seed inputs of the markup and log readers' fuzz targets: the
fixtures they read and small hand-made cases of each format."""
import io
import os
import shutil
import struct
import zipfile

here = os.path.dirname(os.path.abspath(__file__))
fixtures = os.path.join(here, "..", "fixtures", "markup")


def write(folder, name, data):
    os.makedirs(os.path.join(here, folder), exist_ok=True)
    with open(os.path.join(here, folder, name), "wb") as f:
        f.write(data if isinstance(data, bytes) else data.encode("utf-8"))


for folder, name in (("html", "libreoffice_rows.html"), ("html", "python_rows.html"),
                     ("ods", "libreoffice_rows.ods"), ("calendar", "python_events.ics")):
    shutil.copy(os.path.join(fixtures, name), os.path.join(here, folder, name))

write("html", "comments.html", "<table><tr><td>a<!-- x --> b</td></tr><!-- c --> <tr><th><img src=\"p\">"
      "</th><td>&#22810;&amp;</td></tr></table><TABLE><TR><TD>unclosed")
write("xmlimport", "packet.xml", "<?xml version=\"1.0\" encoding=\"windows-1250\"?><DATAPACKET><METADATA><FIELDS>"
      "<FIELD attrname=\"A\" fieldtype=\"i4\"/><FIELD fieldtype=\"bin.hex\" SUBTYPE=\"Text\"/></FIELDS></METADATA>"
      "<ROWDATA><ROW A=\"1\" Field2=\"x\"/><ROW A=\"2\"/></ROWDATA></DATAPACKET>")
write("xmlimport", "records.xml", "<RECORDS><RECORD><a>1</a><b><c><![CDATA[<x>]]></c></b></RECORD>"
      "<GROUP><RECORD x=\"1\"/></GROUP><RECORD><a>&lt;</a>")
write("calendar", "vcalendar.vcs", "BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\nDTSTART;TZID=\"A:B\":20070115T093000Z\r\n"
      "SUMMARY:a\\, b\r\n c\r\nDTEND:x\r\nBEGIN:VALARM\r\nTRIGGER:-PT5M\r\nEND:VALARM\r\nEND:VEVENT\r\nBEGIN:VEVENT")


def record(data, declared=None):
    return b"l33l" + struct.pack("<III", len(data) if declared is None else declared, 7, 0) + data


write("skype", "examples.dbb", b"junk" + record(b"\x03\x30Paris\x00") + record(b"\x03\x03\xC0\x02\x78\x03\xC8\x03\x41")
      + record(b"\x03\xFC\x03hello\x01\x03\x10\xFF\xFF\xFF\xFF\x0F") + record(b"\x03\x30long", 1 << 30))

content = ("<office:document-content><office:automatic-styles><style:style style:name=\"P1\" style:family=\"paragraph\">"
           "<style:text-properties fo:text-align=\"end\" fo:font-size=\"x\" fo:color=\"#12\"/></style:style>"
           "<style:style style:family=\"graphic\"><style:graphic-properties fo:clip=\"rect(1cm, 2cm\"/></style:style>"
           "</office:automatic-styles><office:body><office:spreadsheet><table:table table:name=\"T\">"
           "<table:table-row table:number-rows-repeated=\"3\"><table:table-cell table:number-columns-repeated=\"2\" "
           "table:style-name=\"P1\" office:value-type=\"float\"><text:p>1<text:s text:c=\"99999\"/>2</text:p>"
           "<draw:frame><draw:image xlink:href=\"Pictures/a.png\"/></draw:frame></table:table-cell>"
           "<table:covered-table-cell/></table:table-row><table:table-row table:number-rows-repeated=\"1048576\"/>"
           "</table:table></office:spreadsheet></office:body></office:document-content>")
package = io.BytesIO()
with zipfile.ZipFile(package, "w", zipfile.ZIP_DEFLATED) as z:
    z.writestr("mimetype", "application/vnd.oasis.opendocument.spreadsheet", zipfile.ZIP_STORED)
    z.writestr("content.xml", content)
write("ods", "handmade.ods", package.getvalue())
