#include "driver/show.h"

// No command line, no environment: everything the show needs is built in or
// chosen in its setup dialog.
int main() {
  return runShow(nullptr);
}
