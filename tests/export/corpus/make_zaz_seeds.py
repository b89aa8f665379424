#!/usr/bin/python3
# Writes the seed corpus of the export specification fuzz target (zaz/):
# specification files in their three encodings, with sections and without,
# with bad enumerations, odd bytes and hand-made column and font lines.
import os

here = os.path.join(os.path.dirname(os.path.abspath(__file__)), 'zaz')
os.makedirs(here, exist_ok=True)

full = '\r\n'.join([
    '[Common]', 'App=Folvane', 'Description=RODireza: specification', 'Specification=Prices',
    'TableType=Excel2007', 'AddTitle=1', 'BlankIfZero=0', 'SourceFileName=/tmp/prices.xlsx',
    'SelectedRecord=0', 'TableName=prices', 'CharacterSet=4', 'Options=8626', 'ExportIfEmpty=1',
    'RowsPerFile=0', 'ActionAfterExport=0', '', '[ExportStyle]', 'Style=3', 'OddColor=-16777201',
    'EvenColor=16777215', 'Layout=0', '', '[PageSetup]', 'Measure=0', 'UseDefault=1', 'TopMargin=0,5',
    'BottomMargin=0.300000011920929', 'LeftMargin=2', 'RightMargin=2', 'TableWidth=0', 'Orientation=1', '',
    '[Mappings]', 'Count=2', 'Map0=ID = Id', 'Map1=NAME = ', '', '[COLUMNS]', 'Col0=0,16777215,Arial,1,0,10,1',
    'ColTitle0=2,-16777201,Tahoma', 'Width0=10', 'Col1=1,,,,,,', '', '[Header]', 'Count=2', 'Header0=a',
    'Header1=', '', '[Text]', 'FieldDelimiter=09', 'TextQualifier=22', 'RecordSeparator=0D0A', 'Fixed=0', '',
    '[DataFormat]', 'DateOrder=1', 'DateSeparator=2E', 'DecimalSeparator=2C', 'BooleanTrue=da', '',
    '[SQL]', 'SQLTerm=;', 'SQLQuote=22', 'BatchRecCount=x', 'FieldNameCharCase=7', '']) + '\r\n'

seeds = {
    'full_utf16.zaz': b'\xff\xfe' + full.encode('utf-16-le'),
    'full_utf16be.zaz': b'\xfe\xff' + full.encode('utf-16-be'),
    'full_utf8.zaz': b'\xef\xbb\xbf' + full.encode('utf-8'),
    'no_sections_ansi.zaz': b'TableType=Text\nMap0=A\nMap151=B\nHeader0=x\rFooter0=y',
    'odd_byte.zaz': b'\xff\xfe' + 'TableType=SQL\r\n'.encode('utf-16-le') + b'\x41',
    'bad_type.zaz': b'\xff\xfe' + 'TableType=Nothing\r\n'.encode('utf-16-le'),
    'bad_enum.zaz': b'\xff\xfe' + 'TableType=Text\r\nStyle=99\r\n'.encode('utf-16-le'),
    'empty.zaz': b'',
    'mark_only.zaz': b'\xff\xfe',
}
for name, data in seeds.items():
    with open(os.path.join(here, name), 'wb') as f:
        f.write(data)
