// Erasing the console status line, which the main loop keeps on the last
// line of the terminal and rewrites in place.
#pragma once

// Writes `count` backspaces to standard output; when `blank` is set and
// `count` is above 0, then `count` blanks and `count` backspaces more, so the
// line is wiped and the cursor is back at its start. Does not flush.
void EraseStatusLine(int count, bool blank);
