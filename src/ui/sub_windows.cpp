#include "ui/sub_windows.h"

#include <QFormLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace poolside {

std::string SubWindowTitle(const std::string& name) {
  if (name == "frmOhda") return "オーダ";
  if (name == "frmKijun") return "概要";
  if (name == "frmProjun") return "競技順";
  if (name == "frmKiroku") return "記録";
  if (name == "frmVwPage") return "ﾌﾟﾚﾋﾞｭｰ";
  if (name == "frmLpPage") return "プログラム印刷";
  return "";
}

SubWindow::SubWindow(ControlRegistry& registry, const std::string& name, const std::string& title)
    : b_(registry, name, this) {
  setWindowTitle(QString::fromStdString(title));
  auto* top = new QVBoxLayout(this);
  if (name == "frmLpPage") {
    auto* form = new QFormLayout;
    txtLpS = b_.Box("txtLpS");
    txtLpE = b_.Box("txtLpE");
    form->addRow("開始ページ", txtLpS->Widget());
    form->addRow("終了ページ", txtLpE->Widget());
    top->addLayout(form);
  } else {
    top->addWidget(new QLabel(QString::fromStdString(title), this));
  }
  QtButton* close = b_.Push("cmdClose", "閉じる");
  top->addWidget(close->Widget());
  connect(close->Widget(), &QPushButton::clicked, this, &QDialog::close);
  resize(280, 140);
}

}  // namespace poolside
