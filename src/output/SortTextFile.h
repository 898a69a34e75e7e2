#pragma once
// Sorts the lines of a text password list in place.

#include <string>

#include "platform/Status.h"

namespace quorlix {

// How the sorted lines end: as the file's first line does (CR LF, LF or CR;
// CR LF when it has no line end), or with LF (for standard output).
enum class SortedLineEnds { AsInFile, Lf };

// Reads the file at path as lines (CR LF, a lone CR or a lone LF ends a line;
// an empty file is one empty line), sorts them ascending and writes them back
// with a line end after every line (see SortedLineEnds). A line that is not UTF-8 is read as code page
// 1252 and written as UTF-8. caseSensitive sorts by byte value (all capitals
// before all small letters); otherwise ASCII letters compare case-blind, and
// lines equal that way keep byte order, then file order.
//
// The new text goes to a temporary file that replaces the old one only when
// complete, so a failure leaves the original list as it was.
//
// Returns true when the file was rewritten. Returns false when no file exists
// at path (nothing is created and *error stays Ok), or when the file could not
// be read or rewritten (the file is left untouched and *error says why).
bool SortTextFile(const std::string& path, bool caseSensitive, Status* error = nullptr,
                  SortedLineEnds ends = SortedLineEnds::AsInFile);

} // namespace quorlix
