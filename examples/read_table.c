/* A host that loads Quillon.dll at run time and prints a table:
   read_table C:\data\clients.dbf */
#include <stdio.h>
#include <windows.h>

#include "quillon.h"

#define FIND(type, name) type name = (type)(void (*)(void))GetProcAddress(dll, #name)

int main(int argc, char **argv) {
  HMODULE dll = LoadLibraryA("Quillon.dll");
  if (dll == NULL || argc != 2) return 1;
  FIND(quillon_takes_text, SetFile);
  FIND(quillon_gives_text, GetFile);
  FIND(quillon_gives_number, GetData);
  FIND(quillon_action, loaddb);
  FIND(quillon_action, fiedscount);
  FIND(quillon_action, getfields);
  FIND(quillon_action, countrec);
  FIND(quillon_action, getcurrecall);
  FIND(quillon_action, next1);
  SetFile(argv[1]);
  loaddb(); /* a missing table: a message box */
  fiedscount();
  if (GetData() == 0) return 2; /* no table it could open */
  getfields();
  printf("fields: %s\n", GetFile());
  countrec();
  for (int count = GetData(), record = 1; record <= count; ++record, next1()) {
    getcurrecall();
    printf("%d: %s\n", record, GetFile());
  }
  FreeLibrary(dll);
  return 0;
}
