/* Reads a Paradox table with pxlib and prints what pxlib sees: a first
 * line with the field names and types ("Name:type" joined by tabs), then
 * one line a record, fields tab-separated, empty for a blank field. Memo
 * and BLOB fields print the value length their record states (pxlib cannot
 * open a BLOB file for reading). Texts are printed as stored.
 * Usage: read_paradox TABLE.db */
#include <paradox.h>
#include <stdio.h>
#include <stdlib.h>

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  PX_boot();
  pxdoc_t* px = PX_new();
  if (PX_open_file(px, argv[1]) < 0) return 1;
  const int n = PX_get_num_records(px), nf = PX_get_num_fields(px);
  pxfield_t* fields = PX_get_fields(px);
  for (int i = 0; i < nf; ++i) printf("%s%s:%d", i ? "\t" : "", fields[i].px_fname, fields[i].px_ftype);
  printf("\n");
  char* buf = malloc((size_t)PX_get_recordsize(px));
  for (int r = 0; r < n; ++r) {
    if (!PX_get_record(px, r, buf)) return 1;
    char* p = buf;
    for (int i = 0; i < nf; p += fields[i].px_flen, ++i) {
      if (i) putchar('\t');
      const int t = fields[i].px_ftype, len = fields[i].px_flen;
      char* s;
      long l;
      short h;
      char c;
      double d;
      int blank = 1;
      for (int k = 0; k < len; ++k) blank = blank && p[k] == 0;
      if (blank) continue;
      switch (t) {
        case pxfMemoBLOb: case pxfBLOb: {
          const unsigned char* ref = (const unsigned char*)p + len - 6;
          printf("<%lu>", (unsigned long)ref[0] | (unsigned long)ref[1] << 8 | (unsigned long)ref[2] << 16 |
                              (unsigned long)ref[3] << 24);
          break;
        }
        case pxfAlpha:
          if (PX_get_data_alpha(px, p, len, &s) > 0) {
            fputs(s, stdout);
            px->free(px, s);
          }
          break;
        case pxfShort: if (PX_get_data_short(px, p, len, &h) > 0) printf("%d", h); break;
        case pxfLong: case pxfAutoInc: if (PX_get_data_long(px, p, len, &l) > 0) printf("%ld", l); break;
        case pxfLogical: if (PX_get_data_byte(px, p, len, &c) > 0) fputs(c ? "T" : "F", stdout); break;
        case pxfCurrency: case pxfNumber: if (PX_get_data_double(px, p, len, &d) > 0) printf("%.10g", d); break;
        case pxfDate:
          if (PX_get_data_long(px, p, len, &l) > 0) {
            int y, m, dd;
            PX_SdnToGregorian(l + 1721425, &y, &m, &dd);
            printf("%04d-%02d-%02d", y, m, dd);
          }
          break;
        case pxfTime:
          if (PX_get_data_long(px, p, len, &l) > 0) printf("%02ld:%02ld:%02ld", l / 3600000, l / 60000 % 60, l / 1000 % 60);
          break;
        case pxfTimestamp:
          if (PX_get_data_double(px, p, len, &d) > 0) {
            char* text = PX_timestamp2string(px, d, "Y-m-d H:i:s");
            fputs(text, stdout);
            px->free(px, text);
          }
          break;
        default: break;
      }
    }
    putchar('\n');
  }
  free(buf);
  PX_close(px);
  PX_delete(px);
  PX_shutdown();
  return 0;
}
