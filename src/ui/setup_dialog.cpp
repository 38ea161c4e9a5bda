#include "ui/setup_dialog.h"

#include <cstdlib>
#include <exception>

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "setup/first_start.h"
#include "setup/serial_devices.h"

namespace poolside {

namespace {
QString Q(const std::string& s) { return QString::fromStdString(s); }
}  // namespace

SetupDialog::SetupDialog(std::string configFolder, QWidget* parent, const std::string& dev,
                         const std::string& sys)
    : QDialog(parent), configFolder_(std::move(configFolder)) {
  setObjectName("frmSetup");
  setWindowTitle("Poolside 初期設定");
  auto* intro =
      new QLabel(Q("大会データのフォルダと、計時盤をつなぐシリアルポートを選んでください。\n"
                   "選んだ内容は " +
                   configFolder_ + "/" + kUserConfigName +
                   " に保存され、次からはそのまま計時画面が開きます。\n"
                   "フォルダが無ければ作ります (lap と goal のフォルダも)。"));
  intro->setWordWrap(true);

  folder_ = new QLineEdit(Q(SuggestedDataFolder(std::getenv("HOME"))));
  folder_->setObjectName("txtFolder");
  auto* browse = new QPushButton("参照...");
  browse->setObjectName("cmdBrowse");
  browse->setAutoDefault(false);  // Enter in a box saves, whatever had the focus before
  auto* folderRow = new QHBoxLayout;
  folderRow->addWidget(folder_, 1);
  folderRow->addWidget(browse);

  device_ = new QComboBox;
  device_->setObjectName("cboPort");
  device_->setEditable(true);
  device_->setInsertPolicy(QComboBox::NoInsert);
  for (const SerialDevice& d : ListSerialDevices(dev, sys)) {
    device_->addItem(Q(d.label), Q(d.path));
  }
  if (device_->count() == 0) device_->setEditText("/dev/ttyUSB0");

  note_ = new QLabel;
  note_->setObjectName("lblNote");
  note_->setWordWrap(true);

  auto* form = new QFormLayout;
  form->addRow("大会データフォルダ:", folderRow);
  form->addRow("計時盤のポート (COM1):", device_);

  auto* buttons = new QDialogButtonBox;
  QPushButton* ok = buttons->addButton("保存して開始", QDialogButtonBox::AcceptRole);
  ok->setObjectName("cmdOK");
  ok->setDefault(true);
  QPushButton* cancel = buttons->addButton("終了", QDialogButtonBox::RejectRole);
  cancel->setObjectName("cmdCancel");
  cancel->setAutoDefault(false);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(intro);
  layout->addLayout(form);
  layout->addWidget(note_);
  layout->addWidget(buttons);

  connect(browse, &QPushButton::clicked, this, [this] { Browse(); });
  connect(ok, &QPushButton::clicked, this, [this] { Save(); });
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(device_, &QComboBox::currentTextChanged, this, [this] { ShowPermissionNote(); });
  ShowPermissionNote();
  folder_->setFocus();
  folder_->selectAll();
}

void SetupDialog::Browse() {
  const QString chosen =
      QFileDialog::getExistingDirectory(this, "大会データフォルダ", folder_->text());
  if (!chosen.isEmpty()) folder_->setText(chosen);
}

std::string SetupDialog::ChosenDevice() const {
  // A listed device shows its label and carries its path; a typed one is
  // taken as typed.
  const int index = device_->currentIndex();
  const QString path = index >= 0 ? device_->itemData(index).toString() : QString();
  const bool listed = !path.isEmpty() && device_->currentText() == device_->itemText(index);
  return (listed ? path : device_->currentText().trimmed()).toStdString();
}

void SetupDialog::ShowPermissionNote() {
  note_->setText(Q(DevicePermissionNote(ChosenDevice(), std::getenv("USER"))));
}

void SetupDialog::Save() {
  SetupChoice choice;
  choice.dataFolder = ExpandHome(folder_->text().trimmed().toStdString(), std::getenv("HOME"));
  choice.device = ChosenDevice();
  try {
    written_ = ApplySetup(choice, configFolder_);
  } catch (const std::exception& e) {
    QMessageBox::warning(this, windowTitle(), Q(e.what()));
    return;
  }
  accept();
}

}  // namespace poolside
