#pragma once
// Printable password slips: a PDF with one slip per password, several to a
// page with cut marks between them. Each slip shows the optional heading, the
// person's name and user name, the password in DejaVu Sans Mono (a monospaced
// face whose 0/O and 1/l/I differ) in groups of four for reading aloud, an
// optional QR code of the password and the optional note.
//
// The PDF is drawn by cairo, the text laid out by Pango (which falls back to
// another font for scripts the first one lacks), the QR codes made by
// libqrencode; the file is written like every password list, owner-only to a
// temporary name that replaces the target only when complete.

#include <memory>
#include <string>
#include <string_view>

#include "output/HandOut.h"
#include "output/ListWriter.h"
#include "platform/Status.h"

namespace quorlix {

// The face the password is set in.
inline constexpr std::string_view kSlipPasswordFont = "DejaVu Sans Mono";

// A slip writer on a new file at path; nullptr with a Status when the file
// cannot be started.
std::unique_ptr<ListWriter> openSlipFile(const std::string& path, const HandOut& handOut, Status* error);
// The same over a sink the caller provides (tests, the benchmark).
std::unique_ptr<ListWriter> makeSlipWriter(std::unique_ptr<ByteSink> sink, const HandOut& handOut);

// The password as a slip shows it: groups of four characters split by one
// blank, a blank of the password itself shown as U+2423 (OPEN BOX), since
// it would otherwise be lost among the gaps.
std::string groupedForReading(std::string_view password);

} // namespace quorlix
