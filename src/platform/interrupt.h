#pragma once
// Ctrl-C and termination requests (SIGINT, SIGTERM). Caught from the start of
// the program and kept as a flag, which the window system's modal loops and
// the console look at: a dialog ends as if cancelled, a message box as if
// answered, and the console reports a close request, so every stage ends the
// way it ends when the user closes it.

// Installs the handlers. A request ignored by whoever started us stays ignored.
void catchInterrupts();

// True once a request has arrived; it stays true.
bool interruptRequested();

// How long a loop that waits for events may go without looking at the flag.
constexpr int interruptPollMilliseconds = 50;
