/* Prints what Windows shows in a file's properties, from its version
   resource: the fixed file and product versions, then the description and
   the version texts. Exit status 1 when the file has no version resource. */
#include <stdio.h>
#include <windows.h>

static void PrintText(void *info, const char *name) {
  char query[64];
  char *text = NULL;
  UINT length = 0;
  snprintf(query, sizeof query, "\\StringFileInfo\\040904B0\\%s", name);
  if (VerQueryValueA(info, query, (void **)&text, &length) && length > 0) {
    printf("%s: %s\n", name, text);
  }
}

int main(int argc, char **argv) {
  static char info[16384];
  VS_FIXEDFILEINFO *fixed = NULL;
  UINT length = 0;
  DWORD size = argc == 2 ? GetFileVersionInfoSizeA(argv[1], NULL) : 0;
  if (size == 0 || size > sizeof info || !GetFileVersionInfoA(argv[1], 0, size, info) ||
      !VerQueryValueA(info, "\\", (void **)&fixed, &length) || length < sizeof *fixed) {
    return 1;
  }
  printf("file version: %u.%u.%u.%u\n", (unsigned)HIWORD(fixed->dwFileVersionMS),
         (unsigned)LOWORD(fixed->dwFileVersionMS), (unsigned)HIWORD(fixed->dwFileVersionLS),
         (unsigned)LOWORD(fixed->dwFileVersionLS));
  printf("product version: %u.%u.%u.%u\n", (unsigned)HIWORD(fixed->dwProductVersionMS),
         (unsigned)LOWORD(fixed->dwProductVersionMS), (unsigned)HIWORD(fixed->dwProductVersionLS),
         (unsigned)LOWORD(fixed->dwProductVersionLS));
  PrintText(info, "FileDescription");
  PrintText(info, "FileVersion");
  PrintText(info, "ProductName");
  PrintText(info, "ProductVersion");
  PrintText(info, "OriginalFilename");
  return 0;
}
