#pragma once
// An automatic check box drawn as Windows draws one: a sunken white square
// with a tick, the caption beside it. With the box on the right (WS_EX_RIGHT)
// the caption is right-aligned and the square follows it.

#include <FL/Fl_Button.H>

class DialogCheckBox : public Fl_Button {
public:
  DialogCheckBox(int x, int y, int width, int height, bool boxOnRight, bool alignTop);

protected:
  void draw() override;

private:
  void drawTick(int left, int top, int side) const;

  bool boxOnRight_;
  bool alignTop_;
};
