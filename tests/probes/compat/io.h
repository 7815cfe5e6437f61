/* The two C runtime calls the probes use to put stdout into binary mode;
   POSIX streams have no text mode, so they do nothing here. */
#ifndef ZELT_PROBE_IO_H
#define ZELT_PROBE_IO_H
#include <stdio.h>
#ifndef _O_BINARY
#define _O_BINARY 0
#endif
#define _fileno(stream) fileno(stream)
static inline int _setmode(int fd, int mode) { (void)fd; (void)mode; return 0; }
#endif
