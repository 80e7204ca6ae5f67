#pragma once

// Chosen in the setup dialog; every run starts from these defaults.
struct ShowOptions {
  bool sound = true;
  bool fullscreen = true;
  bool loop = false;
};

extern ShowOptions showOptions;
