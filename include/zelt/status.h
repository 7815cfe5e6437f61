/*
 * status.h - status codes shared by the kernel and display libraries.
 * Returned as signed 32-bit integers; 1 is success, failures are negative.
 */
#ifndef ZELT_STATUS_H
#define ZELT_STATUS_H

/* <windows.h> (through win32.h) has an NTSTATUS of the same name; the
   library's own code wins wherever this header is seen, so it is included
   first and its definition replaced. */
#include "zelt/win32.h"
#ifdef STATUS_NO_MEMORY
#undef STATUS_NO_MEMORY
#endif

#define STATUS_OK 1
#define STATUS_NO_MEMORY (-1)
#define STATUS_NO_BITMAP (-2)
#define STATUS_FILE_SEEK (-4)
#define STATUS_FILE_READ (-7)
#define STATUS_INVALID_DATA (-9)
#define STATUS_BAD_PARAMETER (-13)
#define STATUS_FILE_OPEN (-14)
#define STATUS_CREATE_WINDOW_FAILED (-91)

#endif /* ZELT_STATUS_H */
