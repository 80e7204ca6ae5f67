#include "driver/show_options.h"

ShowOptions showOptions;
