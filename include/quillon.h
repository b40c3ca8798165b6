/* Quillon: the plug-in's exports, for hosts written in C or C++ (32- or
 * 64-bit; MinGW, MSVC, GCC or Clang). Every export has C linkage, the C
 * calling convention (__cdecl on Windows: the caller removes the arguments)
 * and an undecorated name; Quillon.dll also has each at a fixed ordinal,
 * given after its name below.
 *
 * Texts are 0-terminated Windows-1251 bytes. A text the plug-in returns is
 * its own: do not free or change it, and copy it before the text slot next
 * changes. Nothing goes wrong across an export: no exception, no abort.
 *
 * The plug-in holds two slots: the text slot (SetFile / GetFile) and the
 * integer slot (SetData / GetData). A table export takes no argument and
 * returns nothing: it reads its input from the slots and leaves its answer
 * there. Lists are texts with "|" after each item. The table exports do
 * nothing until loaddb has opened a table (memopak and make excepted).
 *
 * Link with Quillon.lib (MSVC-style linkers) or libQuillon.dll.a (MinGW) or
 * -lquillon (Linux), or load the library at run time and cast what
 * GetProcAddress or dlsym finds to the quillon_* pointer types below. */
#ifndef QUILLON_H
#define QUILLON_H

#include <stdint.h>

#if defined(_WIN32)
#define QUILLON_CALL __cdecl
/* QUILLON_BUILD is defined only where the exports are defined or linked in
   directly; hosts take them from the DLL. */
#if defined(QUILLON_BUILD)
#define QUILLON_LINKAGE
#else
#define QUILLON_LINKAGE __declspec(dllimport)
#endif
#else
#define QUILLON_CALL
#define QUILLON_LINKAGE __attribute__((visibility("default")))
#endif

#if defined(__cplusplus)
#define QUILLON_API extern "C" QUILLON_LINKAGE
#else
#define QUILLON_API extern QUILLON_LINKAGE
#endif

/* The shapes of the exports, for hosts that look them up at run time. */
typedef void(QUILLON_CALL *quillon_action)(void);
typedef void(QUILLON_CALL *quillon_takes_text)(const char *text);
typedef const char *(QUILLON_CALL *quillon_gives_text)(void);
typedef void(QUILLON_CALL *quillon_takes_number)(int32_t value);
typedef int32_t(QUILLON_CALL *quillon_gives_number)(void);
typedef void(QUILLON_CALL *quillon_takes_pointer)(void *ignored);

/* Descriptor exports. */
QUILLON_API int32_t QUILLON_CALL GetType(void);              /* 25: always 0 */
QUILLON_API const char *QUILLON_CALL GetShortInfo(void);     /* 27: the short name */
QUILLON_API const char *QUILLON_CALL GetInfo(void);          /* 26: four lines, CR LF after each */
QUILLON_API const char *QUILLON_CALL Copyright(void);        /* 28: one line */
QUILLON_API void QUILLON_CALL Settings(void);                /* 23: does nothing */
QUILLON_API void QUILLON_CALL SetParentWindow(void *window); /* 24: does nothing */
QUILLON_API void QUILLON_CALL Draw(void *canvas);            /* 22: does nothing */

/* The slots. */
QUILLON_API void QUILLON_CALL SetPath(const char *path); /* 29: kept, used by nothing */
QUILLON_API void QUILLON_CALL SetFile(const char *text); /* 33: text slot := a copy (NULL: "") */
QUILLON_API const char *QUILLON_CALL GetFile(void);      /* 32: the text slot, never NULL */
QUILLON_API void QUILLON_CALL SetData(int32_t value);    /* 31: integer slot := value */
QUILLON_API int32_t QUILLON_CALL GetData(void);          /* 30: the integer slot */

/* Opening a table. Text slot in: the .dbf path. Out: the memo path (the
   first "dbf" of the file name made "dbt"). A missing file: a message box. */
QUILLON_API void QUILLON_CALL loaddb(void); /* 20 */

/* Cursor exports: record numbers count from 1, 0 is no record. */
QUILLON_API void QUILLON_CALL first(void);    /* 17: to record 1 */
QUILLON_API void QUILLON_CALL last(void);     /* 16: to the last record */
QUILLON_API void QUILLON_CALL next1(void);    /* 18: one on, stops at the last */
QUILLON_API void QUILLON_CALL prev(void);     /* 19: one back, stops at record 1 */
QUILLON_API void QUILLON_CALL gotorec(void);  /* 12: integer slot in: the record to go to */
QUILLON_API void QUILLON_CALL curnum(void);   /* 14: integer slot out: the current record */
QUILLON_API void QUILLON_CALL countrec(void); /* 13: integer slot out: the record count */

/* Read exports. */
QUILLON_API void QUILLON_CALL fiedscount(void);   /* 8: integer slot out: the field count */
QUILLON_API void QUILLON_CALL getfields(void);    /* 9: text slot out: NAME|NAME|... */
QUILLON_API void QUILLON_CALL getcurn(void);      /* 15: text in: NAME|...; out: their values| */
QUILLON_API void QUILLON_CALL getcurrecall(void); /* 6: text slot out: every value of the record| */
/* 2: text in: NAME|N|N|...; out: NAME's value in each record N, "|" after each. */
QUILLON_API void QUILLON_CALL getarrayrecords(void);

/* Edit exports; each packs the table and leaves the cursor on no record. */
QUILLON_API void QUILLON_CALL editrec(void); /* 10: text in: NAME=VALUE|...; the current record */
QUILLON_API void QUILLON_CALL addrec(void);  /* 11: text in: NAME=VALUE|...; a new record */
QUILLON_API void QUILLON_CALL delrec(void);  /* 7: deletes the current record */

/* Search exports. */
QUILLON_API void QUILLON_CALL finddata(void); /* 4: text in: NAME=PATTERN; out: record numbers| */
/* 3: text in: NAME|FROM|TO# per request (TO may be max); out: values| then # per request. */
QUILLON_API void QUILLON_CALL getdataotdo(void);

/* Import, rebuild and creation. */
QUILLON_API void QUILLON_CALL importasmaster(void); /* 5: text in: path of a text to import */
QUILLON_API void QUILLON_CALL memopak(void);        /* 1: rebuilds table and memo file */
QUILLON_API void QUILLON_CALL make(void); /* 21: text in: NAME=TW,D|...; out: OK! or an error */

#endif /* QUILLON_H */
