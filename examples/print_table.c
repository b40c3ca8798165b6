/* A host linked with the plug-in (an import library of Quillon.dll, or
   libquillon.so), its exports declared by quillon.h: prints the plug-in's
   name, the table's memo file and fields, then every record as the plug-in
   gives it, in Windows-1251:
     print_table TABLE.dbf */
#include <stdio.h>

#include "quillon.h"

int main(int argc, char **argv) {
  int32_t fields, count, record;
  if (argc != 2) {
    fputs("usage: print_table TABLE.dbf\n", stderr);
    return 2;
  }
  printf("%s\n", GetShortInfo());
  SetFile(argv[1]);
  loaddb(); /* a missing table: a message box */
  fiedscount();
  fields = GetData();
  if (fields == 0) return 1; /* no table it could open */
  printf("memo: %s\n", GetFile());
  getfields();
  printf("fields (%d): %s\n", (int)fields, GetFile());
  countrec();
  count = GetData();
  for (record = 1; record <= count; ++record) {
    SetData(record);
    gotorec();
    getcurrecall();
    printf("%d: %s\n", (int)record, GetFile());
  }
  return 0;
}
