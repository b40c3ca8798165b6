// The plug-in's exported functions: C linkage, C calling convention,
// undecorated names. Texts are 0-terminated Windows-1251 bytes; texts handed
// back belong to the library. Every export catches whatever goes wrong inside
// it: nothing escapes into the host.
#pragma once

#include <cstdint>

#if defined(_WIN32)
#define QUILLON_API extern "C"
#define QUILLON_CALL __cdecl
#else
#define QUILLON_API extern "C" __attribute__((visibility("default")))
#define QUILLON_CALL
#endif

// Descriptor and slot exports.
QUILLON_API int32_t QUILLON_CALL GetType();
QUILLON_API const char* QUILLON_CALL GetShortInfo();
QUILLON_API const char* QUILLON_CALL GetInfo();
QUILLON_API const char* QUILLON_CALL Copyright();
QUILLON_API void QUILLON_CALL Settings();
QUILLON_API void QUILLON_CALL SetParentWindow(void* window);
QUILLON_API void QUILLON_CALL Draw(void* canvas);
QUILLON_API void QUILLON_CALL SetPath(const char* path);
QUILLON_API void QUILLON_CALL SetFile(const char* text);
QUILLON_API const char* QUILLON_CALL GetFile();
QUILLON_API void QUILLON_CALL SetData(int32_t value);
QUILLON_API int32_t QUILLON_CALL GetData();

// Opening a table.
QUILLON_API void QUILLON_CALL loaddb();

// Cursor exports.
QUILLON_API void QUILLON_CALL first();
QUILLON_API void QUILLON_CALL last();
QUILLON_API void QUILLON_CALL next1();
QUILLON_API void QUILLON_CALL prev();
QUILLON_API void QUILLON_CALL gotorec();
QUILLON_API void QUILLON_CALL curnum();
QUILLON_API void QUILLON_CALL countrec();

// Read exports.
QUILLON_API void QUILLON_CALL fiedscount();
QUILLON_API void QUILLON_CALL getfields();
QUILLON_API void QUILLON_CALL getcurn();
QUILLON_API void QUILLON_CALL getcurrecall();
QUILLON_API void QUILLON_CALL getarrayrecords();

// Edit exports.
QUILLON_API void QUILLON_CALL editrec();
QUILLON_API void QUILLON_CALL addrec();
QUILLON_API void QUILLON_CALL delrec();

// Search exports.
QUILLON_API void QUILLON_CALL finddata();
QUILLON_API void QUILLON_CALL getdataotdo();

// Import, rebuild and creation.
QUILLON_API void QUILLON_CALL importasmaster();
QUILLON_API void QUILLON_CALL memopak();
QUILLON_API void QUILLON_CALL make();
