#pragma once
// The competition screen frmKyogi: builds its widgets and menus, hands their
// adapters to the logic (KyogiControls) and maps events onto KyogiWindow.

#include <QMainWindow>

#include "competition/kyogi_window.h"
#include "platform/messages.h"
#include "ui/view_builder.h"

namespace poolside {

class KyogiView : public QMainWindow {
 public:
  explicit KyogiView(ControlRegistry& registry);
  const KyogiControls& Controls() const { return controls_; }
  void Wire(KyogiWindow& kyogi, MessageSink& messages);

 private:
  ViewBuilder b_;
  KyogiControls controls_;
  std::vector<std::pair<std::string, QAction*>> menus_;
};

}  // namespace poolside
