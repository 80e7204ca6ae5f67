#pragma once
// A report printed on standard output is a program's output like any file:
// one that could not be written all (a full disk, a reader gone) is a
// failure, told once on standard error.

// `code`, or 1 when `code` is 0 and what was printed could not be written, as
// a program's main returns it; `program` names it in the message.
int withStandardOutputWritten(const char* program, int code);
