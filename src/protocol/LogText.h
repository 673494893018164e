#pragma once
// The one rendering of raw line bytes for a log, shared by the panel's
// session log and the simulator's. Text runs stand in double quotes, with "
// and \ escaped; everything else stands outside them as a name in angle
// brackets: control characters (<CR>, <ACK>, <NAK>, ...), bytes that are not
// valid UTF-8 (<xFF>), and characters that would hide or reorder what is
// around them (<U+0085>, the bidirectional controls such as <U+202E>, the
// separators <U+2028> and <U+2029>). A name never stands inside the quotes,
// so the typed text `80<CR>` ("80<CR>") and the bytes 8, 0, CR ("80"<CR>)
// can never be read alike.
#include <string>
#include <string_view>

namespace qd40 {

std::string renderBytes(std::string_view bytes);

// Free text for a log line (a reason, a device's name): the same names for
// what must not reach the file as it is, but no quotes and no escapes, so
// ordinary text reads as it is and a line stays one line.
std::string renderText(std::string_view text);

// A path, an address or a name a person reads in a message (a box, the
// status line, the standard error, the log, qd40ctl's output): renderText, so
// that no name can move the cursor, colour a terminal, forge a second line or
// reorder the words around it, wherever the name came from (the command
// line, a variable, the saved file, the system).
std::string printablePath(std::string_view path);

}  // namespace qd40
