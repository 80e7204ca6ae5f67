// The dialog back end of a capture: dialogs nobody sees.
// Implements: the procedure initialised and then answered with OK, as a
// person pressing Return at once would, so the defaults stand; check boxes'
// states kept meanwhile.
// Leaves out: the template, handle and control-id checks (dialog_box_front),
// any window, layout or key.
#include <map>
#include <utility>

#include "platform/dialog_box_front.h"

namespace {

class UnseenDialogs final : public DialogBackEnd {
public:
  bool run(DialogRun& run) override {
    run.init();
    if (!run.ended())
      run.command(IDOK);
    // A procedure that ignores OK is left as if Return had ended it.
    if (!run.ended())
      run.end(IDOK);
    std::erase_if(boxes_, [&](const auto& box) { return box.first.first == &run; });
    return true;
  }
  void setChecked(DialogRun& run, int id, bool checked) override { boxes_[{&run, id}] = checked; }
  bool checked(DialogRun& run, int id) override { return boxes_[{&run, id}]; }
  void end(DialogRun& /*run*/) override {}

private:
  std::map<std::pair<const DialogRun*, int>, bool> boxes_;
};

} // namespace

DialogBackEnd& dialogBackEnd() {
  static UnseenDialogs dialogs;
  return dialogs;
}
