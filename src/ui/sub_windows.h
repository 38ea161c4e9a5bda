#pragma once
// The competition screen's own small windows (order, outline, competition
// order, records, print preview, program print).

#include <QDialog>

#include "ui/view_builder.h"

namespace poolside {

class SubWindow : public QDialog {
 public:
  // `name` is the script name ("frmOhda"); `title` the window caption.
  SubWindow(ControlRegistry& registry, const std::string& name, const std::string& title);
  // The program print window's first and last page boxes (null elsewhere).
  QtTextBox* txtLpS = nullptr;
  QtTextBox* txtLpE = nullptr;

 private:
  ViewBuilder b_;
};

// Caption of each sub-window by script name, or "" when the name is none.
std::string SubWindowTitle(const std::string& name);

}  // namespace poolside
