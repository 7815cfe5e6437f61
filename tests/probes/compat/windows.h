/* Lets Win32 probe programs build natively against the software platform. */
#ifndef ZELT_PROBE_WINDOWS_H
#define ZELT_PROBE_WINDOWS_H
#include "zelt/win32.h"
#endif
