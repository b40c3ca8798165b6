/* A host that links the plug-in and takes the exports' declarations from
   quillon.h: prints a table's fields, then every record as the plug-in
   gives it. Built against the installed Linux package and against each of
   the Windows import libraries. */
#include <stdio.h>

#include "quillon.h"

int main(int argc, char **argv) {
  int32_t fields, count, record;
  if (argc != 2) {
    fputs("usage: c_host TABLE.dbf\n", stderr);
    return 2;
  }
  printf("%s\n", GetShortInfo());
  SetFile(argv[1]);
  loaddb();
  printf("memo: %s\n", GetFile());
  fiedscount();
  fields = GetData();
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
