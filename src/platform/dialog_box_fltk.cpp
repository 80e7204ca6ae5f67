// The dialog back end on FLTK, for the program on Linux.
// Implements:
// - a template laid out in pixels from its font's metrics, centred, with the
//   program's icon, and run modally until EndDialog;
// - clicks, Space, Enter (IDOK) and Escape or a close request (IDCANCEL)
//   reaching the procedure as WM_COMMAND, Tab walking the WS_TABSTOP controls;
// - Ctrl-C cancelling the dialog as Escape would;
// - check boxes' states in the widgets.
// Leaves out: the template, handle and control-id checks (dialog_box_front),
// the owner window, messages other than WM_INITDIALOG and WM_COMMAND, and
// any dialog when there is no display (the call then fails).
#include "platform/dialog_box_front.h"
#include "platform/dialog_check_box.h"
#include "platform/dialog_layout.h"
#include "platform/display_available.h"
#include "platform/fltk_options.h"
#include "platform/interrupt.h"
#include "platform/window_decorations_x11.h"
#include "resources/dialog_template.h"
#include "resources/program_icon.h"

#include <FL/Enumerations.H>
#include <FL/Fl.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_RGB_Image.H>
#include <FL/fl_draw.H>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <vector>

namespace {

constexpr int systemFontPoints = 8; // used when a template sets no font of its own

struct DialogFontChoice {
  Fl_Font face;
  int size;
};

struct RunningDialog;

// Every widget knows its control id and dialog through its user data.
struct ControlSlot {
  RunningDialog* dialog;
  int id;
  DialogControlKind kind;
  Fl_Button* widget;
};

class DialogWindow : public Fl_Double_Window {
public:
  DialogWindow(int width, int height, RunningDialog& dialog)
      : Fl_Double_Window(width, height), dialog_(dialog) {}

  int handle(int event) override;

private:
  RunningDialog& dialog_;
};

struct RunningDialog {
  explicit RunningDialog(DialogRun& dialogRun) : run(dialogRun) {}
  DialogRun& run;
  std::vector<std::unique_ptr<ControlSlot>> controls; // template order
  std::unique_ptr<DialogWindow> window;               // owns the widgets; goes first
};

// The widgets of the dialogs running now, innermost last.
std::vector<RunningDialog*>& runningDialogs() {
  static std::vector<RunningDialog*> dialogs;
  return dialogs;
}

RunningDialog& runningDialog(const DialogRun& run) {
  for (RunningDialog* dialog : runningDialogs()) {
    if (&dialog->run == &run) {
      return *dialog;
    }
  }
  throw std::logic_error("no such dialog is running");
}

// The front end has checked that the id is one of the dialog's check boxes.
Fl_Button& checkBoxOf(const DialogRun& run, int id) {
  for (const auto& control : runningDialog(run).controls) {
    if (control->id == id) {
      return *control->widget;
    }
  }
  throw std::logic_error("no such check box");
}

void sendCommand(RunningDialog& dialog, int controlId) {
  dialog.run.command(controlId);
}

void controlClicked(Fl_Widget* /*widget*/, void* data) {
  auto* slot = static_cast<ControlSlot*>(data);
  sendCommand(*slot->dialog, slot->id);
}

// Escape and the window manager's close both arrive here.
void closeRequested(Fl_Widget* /*widget*/, void* data) {
  sendCommand(*static_cast<RunningDialog*>(data), IDCANCEL);
}

int DialogWindow::handle(int event) {
  if (Fl_Double_Window::handle(event) != 0) {
    return 1;
  }
  if (event == FL_SHORTCUT && (Fl::event_key() == FL_Enter || Fl::event_key() == FL_KP_Enter)) {
    // Enter clicks a focused push button, otherwise it means IDOK.
    int id = IDOK;
    for (const auto& control : dialog_.controls) {
      if (control->kind == DialogControlKind::pushButton && Fl::focus() == control->widget) {
        id = control->id;
      }
    }
    sendCommand(dialog_, id);
    return 1;
  }
  return 0;
}

// "Small Fonts" and the system font are Windows faces; Helvetica is the sans
// serif FLTK always has. The size is raised where the template's would be
// hard to read (see dialogFontPixelSize), and the layout follows the font.
DialogFontChoice fontFor(const DialogTemplate& dialog) {
  if ((dialog.style & dialog_style::setFont) == 0) {
    return {FL_HELVETICA, dialogFontPixelSize(systemFontPoints)};
  }
  constexpr int boldWeight = 700;
  Fl_Font face = FL_HELVETICA;
  if (dialog.font.weight >= boldWeight) {
    face = dialog.font.italic ? FL_HELVETICA_BOLD_ITALIC : FL_HELVETICA_BOLD;
  } else if (dialog.font.italic) {
    face = FL_HELVETICA_ITALIC;
  }
  return {face, dialogFontPixelSize(dialog.font.pointSize)};
}

DialogBaseUnits measureBaseUnits(DialogFontChoice font) {
  fl_font(font.face, font.size);
  return baseUnitsFromFontMetrics(fl_width(baseUnitsAlphabet), fl_height());
}

// FLTK wants RGBA bytes; the icon is stored as ARGB words.
const Fl_RGB_Image& programIconImage() {
  static const std::vector<unsigned char> rgba = [] {
    const int side = programIconSize();
    const std::uint32_t* pixels = programIconPixels();
    std::vector<unsigned char> bytes;
    bytes.reserve(static_cast<std::size_t>(side) * static_cast<std::size_t>(side) * 4);
    for (int i = 0; i < side * side; ++i) {
      const std::uint32_t argb = pixels[i];
      bytes.push_back(static_cast<unsigned char>(argb >> 16));
      bytes.push_back(static_cast<unsigned char>(argb >> 8));
      bytes.push_back(static_cast<unsigned char>(argb));
      bytes.push_back(static_cast<unsigned char>(argb >> 24));
    }
    return bytes;
  }();
  static const Fl_RGB_Image image(rgba.data(), programIconSize(), programIconSize(), 4);
  return image;
}

void buildWindow(RunningDialog& running, const DialogTemplate& dialog) {
  const DialogFontChoice font = fontFor(dialog);
  const DialogBaseUnits base = measureBaseUnits(font);
  const DialogLayout layout = layoutDialog(dialog, base);

  running.window = std::make_unique<DialogWindow>(layout.width, layout.height, running);
  DialogWindow& window = *running.window;
  window.copy_label(dialog.caption);
  window.callback(closeRequested, &running);
  window.set_modal();
  window.icon(&programIconImage());

  const bool centred = (dialog.style & dialog_style::center) != 0;
  int areaX = 0;
  int areaY = 0;
  int areaWidth = 0;
  int areaHeight = 0;
  Fl::screen_work_area(areaX, areaY, areaWidth, areaHeight, 0);
  window.position(
      centred ? centredStart(areaX, areaWidth, layout.width) : horizontalPixels(dialog.x, base),
      centred ? centredStart(areaY, areaHeight, layout.height) : verticalPixels(dialog.y, base));

  window.begin();
  for (std::size_t i = 0; i < dialog.controls.size(); ++i) {
    const DialogControl& control = dialog.controls[i];
    const PixelRect& rect = layout.controls[i];
    Fl_Button* widget = nullptr;
    if (control.kind == DialogControlKind::autoCheckBox) {
      widget = new DialogCheckBox(rect.x, rect.y, rect.width, rect.height,
                                  (control.extendedStyle & dialog_style::exRight) != 0,
                                  (control.style & dialog_style::buttonTop) != 0);
    } else {
      widget = new Fl_Button(rect.x, rect.y, rect.width, rect.height);
      widget->box((control.extendedStyle & dialog_style::exStaticEdge) != 0 ? FL_THIN_UP_BOX
                                                                            : FL_UP_BOX);
    }
    widget->copy_label(control.caption);
    widget->labelfont(font.face);
    widget->labelsize(font.size);
    widget->visible_focus((control.style & dialog_style::tabStop) != 0 ? 1 : 0);
    auto slot =
        std::make_unique<ControlSlot>(ControlSlot{&running, control.id, control.kind, widget});
    widget->callback(controlClicked, slot.get());
    running.controls.push_back(std::move(slot));
  }
  window.end();
}

// DS_CENTER centres the whole window, frame included; the frame's size is
// only known once the window manager has put it around the shown window.
void centreFrameOnScreen(RunningDialog& running) {
  if (!windowManagerReportsFrames()) {
    return;
  }
  using Clock = std::chrono::steady_clock;
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(500);
  FrameExtents extents{};
  while (!frameExtents(*running.window, extents)) {
    const std::chrono::duration<double> left = deadline - Clock::now();
    if (running.run.ended() || left.count() <= 0.0) {
      return;
    }
    Fl::wait(left.count());
  }
  int areaX = 0;
  int areaY = 0;
  int areaWidth = 0;
  int areaHeight = 0;
  Fl::screen_work_area(areaX, areaY, areaWidth, areaHeight, 0);
  // FLTK asks for static gravity: a position is the client area's, inside the frame.
  DialogWindow& window = *running.window;
  window.position(
      centredStart(areaX, areaWidth, window.w() + extents.left + extents.right) + extents.left,
      centredStart(areaY, areaHeight, window.h() + extents.top + extents.bottom) + extents.top);
}

void focusFirstTabStop(RunningDialog& running) {
  for (const auto& control : running.controls) {
    if (control->widget->visible_focus() != 0) {
      control->widget->take_focus();
      return;
    }
  }
}

// Ctrl-C cancels the dialog as Escape would, once; true when it has ended.
bool cancelOnInterrupt(RunningDialog& running, bool& cancelSent) {
  if (!cancelSent && !running.run.ended() && interruptRequested()) {
    cancelSent = true;
    sendCommand(running, IDCANCEL);
  }
  return running.run.ended();
}

// Keeps the dialog's widgets findable exactly while it runs.
class RunningRegistration {
public:
  explicit RunningRegistration(RunningDialog& dialog) : dialog_(dialog) {
    runningDialogs().push_back(&dialog_);
  }
  ~RunningRegistration() { std::erase(runningDialogs(), &dialog_); }
  RunningRegistration(const RunningRegistration&) = delete;
  RunningRegistration& operator=(const RunningRegistration&) = delete;

private:
  RunningDialog& dialog_;
};

class FltkDialogs final : public DialogBackEnd {
public:
  bool run(DialogRun& run) override;
  void setChecked(DialogRun& run, int id, bool checked) override {
    checkBoxOf(run, id).value(checked ? 1 : 0);
  }
  bool checked(DialogRun& run, int id) override { return checkBoxOf(run, id).value() != 0; }
  // The modal loop returns once the procedure hands control back.
  void end(DialogRun& run) override { runningDialog(run).window->hide(); }
};

bool FltkDialogs::run(DialogRun& run) {
  useDefaultFltkOptions();
  if (!displayAvailable()) {
    return false;
  }
  const DialogTemplate& dialog = run.dialog();
  RunningDialog running(run);
  buildWindow(running, dialog);
  const RunningRegistration registration(running);

  // wParam would name the control to get the default focus; no control has
  // a handle of its own here.
  if (run.init()) {
    focusFirstTabStop(running);
  }
  bool cancelSent = false;
  if (!cancelOnInterrupt(running, cancelSent)) {
    running.window->show();
    removeTitleBarButtons(*running.window);
    if ((dialog.style & dialog_style::center) != 0) {
      centreFrameOnScreen(running);
    }
    while (!cancelOnInterrupt(running, cancelSent) && running.window->shown()) {
      Fl::wait(interruptPollMilliseconds / 1000.0);
    }
  }
  running.window->hide();
  Fl::check(); // let the window vanish before whatever the caller opens next
  return true;
}

} // namespace

DialogBackEnd& dialogBackEnd() {
  static FltkDialogs dialogs;
  return dialogs;
}
