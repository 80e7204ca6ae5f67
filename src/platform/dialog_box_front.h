#pragma once
// The dialog calls' checks, written once in front of every back end that is
// not Windows itself: which template DialogBoxParamA may run, which handles
// name a running dialog and which ids name one of its check boxes. As
// Windows does, a call with a bad handle or id answers FALSE (or unchecked)
// and does nothing. A back end is asked only what passed the checks.

#include "platform/win_types.h"
#include "resources/dialog_template.h"

// DialogBoxParamA's result when no dialog could be run.
constexpr INT_PTR dialogFailed = -1;

// One dialog from its DialogBoxParamA call until the call returns; its
// address is the dialog's handle.
class DialogRun {
public:
  DialogRun(const DialogTemplate& dialog, DLGPROC procedure, LPARAM initParam)
      : dialog_(&dialog), procedure_(procedure), initParam_(initParam) {}

  const DialogTemplate& dialog() const { return *dialog_; }
  HWND handle() { return reinterpret_cast<HWND>(this); }

  // Sends WM_INITDIALOG; true when the procedure leaves the focus to the dialog.
  bool init() { return procedure_(handle(), WM_INITDIALOG, 0, initParam_) != FALSE; }
  // Sends WM_COMMAND from control `id`, with BN_CLICKED (0) as its notification.
  void command(int id) {
    procedure_(handle(), WM_COMMAND, static_cast<WPARAM>(static_cast<std::uint32_t>(id) & 0xFFFFu),
               0);
  }

  bool ended() const { return ended_; }
  INT_PTR result() const { return result_; }
  // EndDialog's part; the back end then closes the dialog.
  void end(INT_PTR result) {
    ended_ = true;
    result_ = result;
  }

private:
  const DialogTemplate* dialog_;
  DLGPROC procedure_;
  LPARAM initParam_;
  bool ended_ = false;
  INT_PTR result_ = dialogFailed;
};

class DialogBackEnd {
public:
  virtual ~DialogBackEnd() = default;

  // Shows the dialog, calls run.init() once its controls exist, and passes
  // the user's commands on until run.ended(). False, without calling init,
  // when it cannot show the dialog.
  virtual bool run(DialogRun& run) = 0;
  // `id` names an auto check box of the running dialog.
  virtual void setChecked(DialogRun& run, int id, bool checked) = 0;
  virtual bool checked(DialogRun& run, int id) = 0;
  // EndDialog was called: the dialog goes away and run() returns.
  virtual void end(DialogRun& run) = 0;
};

// The back end linked into the program, for the dialog calls.
DialogBackEnd& dialogBackEnd();
