#!/usr/bin/python3
# Writes the XML rowset seed documents in xmlrowset/ as the format defines
# them: a root "xml" declaring the s, dt, rs and z namespaces; "s:Schema"
# with one "s:AttributeType" (holding one "s:datatype") per column; then
# "rs:data" with one empty "z:row" per row whose attributes are the values.
import os

HERE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "xmlrowset")
ROOT = ("<xml xmlns:s='uuid:BDC6E3F0-6DA3-11d1-A2A3-00AA00C14882' "
        "xmlns:dt='uuid:C2F41010-65B3-11d1-A29F-00AA00C14882' "
        "xmlns:rs='urn:schemas-microsoft-com:rowset' xmlns:z='#RowsetSchema'>")


def doc(columns, rows, bom=False):
    cols = "".join(
        "\r\n      <s:AttributeType name='%s'%s>\r\n        <s:datatype %s />\r\n      </s:AttributeType>"
        % (name, extra, datatype) for name, extra, datatype in columns)
    body = "".join("\r\n    <z:row %s />" % row for row in rows)
    text = (ROOT + "\r\n  <s:Schema id='RowsetSchema'>\r\n    <s:ElementType name='row' content='eltOnly'>"
            + cols + "\r\n      <s:extends type='rs:rowbase' />\r\n    </s:ElementType>\r\n  </s:Schema>"
            "\r\n  <rs:data>" + body + "\r\n  </rs:data>\r\n</xml>")
    return ("\ufeff" if bom else "") + text


SEEDS = {
    "worked_example.xml": doc([("ID", "", "dt:type='int' dt:maxLength='4' rs:precision='10'")], ["ID='7'"]),
    "every_type.xml": doc(
        [("S", "", "dt:type='string' rs:dbtype='str' dt:maxLength='10'"),
         ("W", "", "dt:type='string' dt:maxLength='10'"),
         ("M", "", "dt:type='string' rs:dbtype='str' dt:maxLength='2147483647' rs:long='true'"),
         ("WM", "", "dt:type='string' dt:maxLength='2147483647' rs:long='true'"),
         ("V", "", "dt:type='string'"),
         ("I1", "", "dt:type='i1' dt:maxLength='1'"), ("U1", "", "dt:type='ui1' dt:maxLength='1'"),
         ("I2", "", "dt:type='i2' dt:maxLength='2'"), ("U2", "", "dt:type='ui2' dt:maxLength='2'"),
         ("I4", "", "dt:type='int' dt:maxLength='4'"), ("U4", "", "dt:type='ui4' dt:maxLength='4'"),
         ("I8", "", "dt:type='i8' dt:maxLength='8'"), ("U8", "", "dt:type='ui8' dt:maxLength='8'"),
         ("R4", "", "dt:type='r4' dt:maxLength='4'"), ("F", "", "dt:type='float' dt:maxLength='8'"),
         ("X", "", "dt:type='extended' dt:maxLength='10'"),
         ("C", "", "dt:type='number' rs:dbtype='currency' dt:maxLength='8'"),
         ("N", "", "dt:type='number' rs:dbtype='numeric' dt:maxLength='19' rs:scale='2' rs:precision='10'"),
         ("D", "", "dt:type='date' dt:maxLength='6'"), ("T", "", "dt:type='time' dt:maxLength='6'"),
         ("DT", "", "dt:type='datetime' rs:dbtype='variantdate' dt:maxLength='16'"),
         ("TS", "", "dt:type='datetime' rs:dbtype='timestamp' dt:maxLength='16'"),
         ("B", "", "dt:type='boolean' dt:maxLength='2'"),
         ("BY", "", "dt:type='bin.hex' dt:maxLength='3' rs:fixedlength='true'"),
         ("VB", "", "dt:type='bin.hex' dt:maxLength='8'"),
         ("BL", "", "dt:type='bin.hex' dt:maxLength='2147483647' rs:long='true'"),
         ("G", "", "dt:type='uuid' dt:maxLength='38'")],
        ["S='a&amp;b' W='&#x10d;&#x161;' M='x&#13;&#10;y' WM='&#x2603;' V='v' I1='-5' U1='200' I2='-300' "
         "U2='65535' I4='123456' U4='4000000000' I8='-9000000000' U8='9000000000' R4='1.5' F='-2.5E-3' "
         "X='0.125' C='12.3456' N='12345678.91' D='2024-02-29' T='23:59:59' DT='1999-12-31T23:59:59' "
         "TS='2000-01-01T00:00:00' B='True' BY='00FF10' VB='AB&#13;&#10;CD' BL='DEADBEEF' "
         "G='{12345678-1234-1234-1234-123456789ABC}'",
         ""]),
    "aliases.xml": doc(
        [("c1", " rs:name='First Name'", "dt:type='string' dt:maxLength='20'"),
         ("c2", " rs:name='2nd'", "dt:type='int' dt:maxLength='4'"),
         ("Plain", "", "dt:type='boolean' dt:maxLength='2' rs:maybenull='false'")],
        ["c1='Ana' c2='1' Plain='1'", "Plain='false'"]),
    "bom_no_rows.xml": doc([("ID", "", "dt:type='int' dt:maxLength='4'")], [], bom=True),
}

for file_name, text in SEEDS.items():
    with open(os.path.join(HERE, file_name), "wb") as f:
        f.write(text.encode("utf-8"))
