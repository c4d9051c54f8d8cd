// The console of an agent that runs in the foreground: the one-line status
// display that the main loop rewrites in place, and the keys ('Q' to quit).
// While the console is in use, standard input gives keys one at a time
// without echo; the terminal's own settings come back on every way out of
// the program: a normal end, a fatal signal, or a stop of the job (Ctrl-Z,
// after which they are taken up again when the job continues).
#pragma once

#include <cstddef>
#include <cstdint>

// Switches a terminal on standard input to single keys without echo and
// installs what restores its settings. Does nothing to the terminal when
// standard input is not one (keys are still read from it).
void EnterKeyMode();

// Puts the terminal's settings back as EnterKeyMode found them, if it
// changed them. Safe to call more than once, and in a signal handler.
void RestoreTerminal();

// Formats the status line for the local time of `now` and the interval
// counters: "hh:mm:ss Cmd[%4d,%8d] Rep[%4d,%8d] Res[%4d,%8d]" (messages and
// bytes of commands received, replies received, responses sent). Returns
// its length.
int FormatStatusLine(char* out, size_t size, int64_t now);

// What the console asks of the main loop after a pass.
enum class ConsoleAction {
  kSleep,    // nothing happened: sleep as usual
  kNoSleep,  // a key was handled: begin the next pass at once
  kQuit,     // 'Q' was confirmed with 'Y' or 'y'
};

// One pass of the console: rewrites the status line in place (for
// CurrentTime) and answers a waiting key. 'Q' asks "Are you sure you want
// to quit?"; the answer is the next key, read by a later pass ('Y' or 'y'
// quits, any other key puts the status line back), so that the loop's
// timed work goes on while the question waits. Any other key but code 0 is
// answered with "Unrecognised command", the key shown printable.
ConsoleAction ConsolePass();

// Waits up to `milliseconds` for a key on standard input, without reading
// it. Returns whether one is there (false too when the input has ended).
bool WaitForKey(int milliseconds);
