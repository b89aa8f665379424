# Reads a DBF table (and its memo file) with dbfread and prints its field
# names and records as JSON: dates as ISO text, binary memos as hex.
import datetime
import json
import sys

from dbfread import DBF


def plain(value):
    if isinstance(value, (datetime.date, datetime.datetime)):
        return value.isoformat()
    if isinstance(value, bytes):
        return value.hex()
    return value


table = DBF(sys.argv[1], encoding=sys.argv[2] if len(sys.argv) > 2 else 'cp1250', load=True)
print(json.dumps({'fields': table.field_names,
                  'records': [[plain(v) for v in r.values()] for r in table.records]},
                 ensure_ascii=True))
