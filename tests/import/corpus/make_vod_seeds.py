#!/usr/bin/python3
"""Writes the seed corpus of the import specification fuzz target into vod/:
specification texts in UTF-16LE with a mark (as the wizard writes them),
UTF-8 and the ANSI code page, with hexadecimal values, encoded texts, odd
bytes, out-of-range numbers and the wizard's own sections."""
import codecs
import os

here = os.path.join(os.path.dirname(os.path.abspath(__file__)), "vod")
os.makedirs(here, exist_ok=True)
full = "\r\n".join([
    "[Common]", "App=", "Description=RADerevu: specification", "Specification=Mesečni prejemki",
    "TableName=Orders", "DatasetKeys=ID;NAME", "Mode=2", "TableType=XML", "SourceFileName=/data/a.xml",
    "CharacterSet=1", "CommitCount=300", "[Mappings]", "Count=2", "Map0=ID=[Col 1]", "Map1=NAME=UPPER(Field2)",
    "[Text]", "FieldDelimiter=7C", "TextQualifier=27", "RecordSeparator=0D0A", "Fixed=0", "TrimSpaces=3",
    "RowFirst=2", "RowLast=2147483647", "RowFieldNames=1", "MaxScanRows=0", "[DataFormat]", "DateOrder=2",
    "DateSeparator=2D", "TimeSeparator=3A", "ThousandSeparator=2E", "DecimalSeparator=2C", "CurrencyString=€",
    "FourDigitYear=1", "LeadingZerosInDate=1", "CustomDateTimeFormat=", "BooleanTrue=Da", "BooleanFalse=Ne",
    "UseRegionalSettings=0", "[Condition]", "LoadWhen=ID > 2", "SkipIf=", "[Sheet]", "SheetIndex=3", "[XMLTags]",
    "CaseSensitive=1", "RecordsTag=DATA", "RecordTag=ITEM", "RowTag=ROW", "SubNodes=1", ""])
seeds = {
    "wizard-utf16le": codecs.BOM_UTF16_LE + full.encode("utf-16-le"),
    "wizard-utf8": codecs.BOM_UTF8 + full.encode("utf-8"),
    "ansi-no-mark": full.replace("€", "EUR").encode("cp1250"),
    "utf16be-odd-byte": codecs.BOM_UTF16_BE + full.encode("utf-16-be") + b"x",
    "encoded-caption": codecs.BOM_UTF16_LE + "[Common]\r\nSpecification=\ue000U0041000A0042\r\n".encode("utf-16-le"),
    "bad-hex": codecs.BOM_UTF16_LE + "[Common]\r\nSpecification=\ue000ZZ\r\n[Text]\r\nFieldDelimiter=G1\r\n".encode("utf-16-le"),
    "out-of-range": b"[Common]\r\nMode=99\r\nTableType=Nothing\r\n[DataFormat]\r\nDateOrder=-1\r\n",
    "sections-only": b"[Sheet]\r\nSheetIndex=x\r\n[XMLTags]\r\nCaseSensitive=\r\n[Common]",
    "empty": b"",
}
for name, data in seeds.items():
    with open(os.path.join(here, name), "wb") as f:
        f.write(data)
