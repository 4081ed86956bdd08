// The page interface of the main window: a page is shown, hidden and resized through it.
#pragma once

class IGadget {
 public:
  virtual ~IGadget() = default;
  virtual void ShowGadget() = 0;
  virtual void HideGadget() = 0;
  virtual void ResizeGadget(int width, int height) = 0;
};
