#pragma once

// The framed form in which amval-xls-reader (import/xlsreader/) hands an .xls
// workbook to the import: the workbook is read by libfreexl in that separate
// program, so that a damaged file can crash or hang only it, never the window.
//
// The output starts with kXlsMagic; then frames, each one tag byte, the payload's
// length as 4 bytes little-endian, and the payload:
//   'N'  a sheet name, UTF-8 (workbook order; names mode only)
//   'R'  a row begins: its zero-based index, 4 bytes little-endian (sheet mode only)
//   'C'  a cell of the last row: its zero-based column, 2 bytes little-endian, one
//        type byte, then the value: 'i' and 'd' 8 bytes (a 64-bit integer, an IEEE
//        double, both little-endian), 't' (text) and 'D' (a date "yyyy-mm-dd ...")
//        UTF-8 text
//   'P'  the workbook is password protected (no payload)
//   'F'  the workbook cannot be read; the payload says why (UTF-8)
//   'Z'  the end: everything was written (no payload)
// Nothing follows 'Z', 'P' or 'F'. Rows come in increasing order, cells in
// increasing column order; empty cells are not written.
//
// Run as `amval-xls-reader FILE` it writes the sheet names; as
// `amval-xls-reader FILE INDEX` the rows of sheet INDEX.

#include <cstdint>

namespace XlsFrames {

inline constexpr char kMagic[] = "AMVXLS1\n";
inline constexpr int kMagicSize = 8;
inline constexpr int kHeaderSize = 5;

inline constexpr char kName = 'N';
inline constexpr char kRow = 'R';
inline constexpr char kCell = 'C';
inline constexpr char kProtected = 'P';
inline constexpr char kFailed = 'F';
inline constexpr char kEnd = 'Z';

inline constexpr char kInteger = 'i';
inline constexpr char kDouble = 'd';
inline constexpr char kText = 't';
inline constexpr char kDate = 'D';

// No frame is longer: a cell of the longest text a spreadsheet allows (32767
// characters of up to 4 UTF-8 bytes each) with its column and type.
inline constexpr std::uint32_t kMaxPayload = 32767u * 4u + 8u;

} // namespace XlsFrames
