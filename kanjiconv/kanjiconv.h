#pragma once
// libkanjiconv.so: EUC-JP and Unicode pages to Shift_JIS (CP932). Bound by name at run time;
// these declarations give the routines' types and the buffer convention.
//
// Source: `source` points at the first byte of the page. The four bytes in front of it hold
// the page's length in bytes (uint32_t, this machine's byte order), so a page may hold zero
// bytes (UTF-16 does); the page should be followed by four zero bytes as well. Buffer layout:
//     [length: 4 bytes][page bytes ...][0 0 0 0]
//                      ^ source
// Destination: 2 * (length - 1) bytes (none for a page of one byte or less). The routines write
// at most that many bytes: the converted page, then a zero byte when there is room for it. The
// converted text is never longer than the page (no source character grows in CP932), so only
// pages of one or two bytes can lose anything (the zero byte; for one byte the byte itself).
// Characters that CP932 cannot hold, and bytes that do not form a character, become "?".
//
// "Unicode" is decided per page: a byte-order mark FF FE or FE FF means UTF-16 little- or
// big-endian, EF BB BF means UTF-8; without a mark, a first character of the form xx 00 or 00 xx
// means UTF-16 little- or big-endian, anything else UTF-8. The mark itself is not converted.
//
// Both return the number of bytes written in front of the zero byte, or -1 without a source.
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

int32_t tcv_euc2sjis(const char* source, char* destination);
int32_t tcv_uni2sjis(const char* source, char* destination);

#ifdef __cplusplus
}
#endif
