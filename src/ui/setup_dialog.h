#pragma once
// The set-up dialog of a first start from the desktop menu: the meet's data
// folder and the console's serial device. What it writes is decided in
// setup/first_start.h; the dialog only asks and shows.

#include <optional>
#include <string>

#include <QDialog>

#include "setup/user_config.h"

class QComboBox;
class QLabel;
class QLineEdit;

namespace poolside {

class SetupDialog : public QDialog {
 public:
  // `configFolder`: where the configuration, the control file and the
  // working folder go. `dev`, `sys`: the roots the device list is read from.
  SetupDialog(std::string configFolder, QWidget* parent = nullptr, const std::string& dev = "/dev",
              const std::string& sys = "/sys");

  // The configuration written, once the dialog was accepted.
  const std::optional<UserConfig>& Written() const { return written_; }

 private:
  void Browse();
  void Save();
  void ShowPermissionNote();
  std::string ChosenDevice() const;

  std::string configFolder_;
  QLineEdit* folder_;
  QComboBox* device_;
  QLabel* note_;
  std::optional<UserConfig> written_;
};

}  // namespace poolside
