// Stopping a run on SIGINT, SIGTERM or SIGHUP without cutting its output:
// the first signal only asks the run to stop, which it does between two
// files, with every record it wrote whole; the run then ends by that same
// signal, so that a shell sees the usual status (130 for SIGINT, 143 for
// SIGTERM). A second signal ends the process at once.
#pragma once

// Installs the handlers. A signal that was ignored when the program started
// (nohup, a background job of a script) stays ignored.
void CatchInterrupts();

// The signal that asked the run to stop, or 0.
int InterruptSignal();

// Tells the handler whether a progress line is on the terminal, so that a
// second signal, which ends the process at once, can still clear it.
void NoteProgressLineShown(bool shown);

// Ends the process by `signal`, as if it had not been caught.
[[noreturn]] void EndBySignal(int signal);
