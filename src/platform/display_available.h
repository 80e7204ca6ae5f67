#pragma once
// Whether the FLTK stand-ins can reach a display. FLTK ends the process when
// it cannot open one, so the boxes and dialogs ask here first.

// Opens FLTK's display connection if it is not open yet; false when there is
// no display to open. Safe to call any number of times.
bool displayAvailable();
