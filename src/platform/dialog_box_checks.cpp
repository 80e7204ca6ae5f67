#include "platform/dialog_box_checks.h"

#include <cstdint>

const DialogTemplate* dialogToRun(const char* templateName, DLGPROC dialogProc) {
  // Named templates are not compiled in; only MAKEINTRESOURCE ids are.
  if (dialogProc == nullptr || templateName == nullptr || !IS_INTRESOURCE(templateName))
    return nullptr;
  return findDialogTemplate(LOWORD(reinterpret_cast<std::uintptr_t>(templateName)));
}
