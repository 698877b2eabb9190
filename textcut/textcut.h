#pragma once
// libtextcut.so: cuts Shift_JIS (CP932) text into pieces at a separator. Every text argument
// is a zero-terminated byte string; what a piece is, is defined in sjis_pieces.h. The routines
// are bound by name at run time; these declarations give their types.
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

// Length in bytes of the longest piece of `page` cut at `separator` (0 for an empty page).
int32_t nukidashi_maxlen(const char* page, const char* separator);
// Number of separators in `page` (0 for an empty separator): the page has that many plus one pieces.
int32_t nanko(const char* page, const char* separator);
// Writes piece i, followed by a zero byte, at offset i * slotWidth of `slots`, for every piece.
// A piece longer than slotWidth - 1 bytes is shortened to fit its slot. Returns the number of
// pieces written.
int32_t nukidashi(const char* page, const char* separator, char* slots, int16_t slotWidth);
// Copies the zero-terminated bytes at `source`, the zero included, to `destination`. Returns
// the number of bytes in front of the zero.
int32_t txstrcpy(char* destination, const char* source);
// Number of bytes in front of the first zero byte of `buffer`.
int32_t doko_null(const char* buffer);

#ifdef __cplusplus
}
#endif
