#pragma once
// Sorts the lines of a text password list in place.

#include <functional>
#include <string>
#include <string_view>

#include "platform/Status.h"

namespace quorlix {

// Reads the file at path as lines (CR LF, a lone CR or a lone LF ends a line;
// an empty file is one empty line), sorts them ascending and writes them back
// with a line end after every line: the file's own (that of its first line),
// or CR LF when it has none. A line that is not UTF-8 is read as code page
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
bool SortTextFile(const std::string& path, bool caseSensitive, Status* error = nullptr);

// Sorts as SortTextFile does but hands the sorted text to write, in pieces,
// each line ending in LF, and leaves the file as it is (standard input, kept
// in no named file, to standard output).
bool sortTextFileInto(const std::string& path, bool caseSensitive, const std::function<void(std::string_view)>& write,
                      Status* error = nullptr);

} // namespace quorlix
