#pragma once
// FLTK 1.3 reads its global options from preference files the first time any
// option is looked up or set, and writes the files back on the way out:
// ~/.fltk/fltk.org/fltk.prefs, and /etc/fltk/... when run as root. It has no
// switch to stop that, and the show keeps no settings of any kind.

// Gives FLTK its documented default options as already read, so it never
// opens a preference file. Call before the first FLTK widget; safe to call
// any number of times.
void useDefaultFltkOptions();
