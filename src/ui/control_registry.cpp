#include "ui/control_registry.h"

namespace poolside {

void ControlRegistry::Add(const RegisteredControl& control) { controls_[control.name] = control; }

void ControlRegistry::RemoveWindow(const std::string& window) {
  std::string prefix = window + ".";
  for (auto it = controls_.begin(); it != controls_.end();) {
    if (it->first.compare(0, prefix.size(), prefix) == 0)
      it = controls_.erase(it);
    else
      ++it;
  }
}

const RegisteredControl* ControlRegistry::Find(const std::string& name) const {
  auto it = controls_.find(name);
  return it == controls_.end() ? nullptr : &it->second;
}

std::string ControlRegistry::NameOf(const QWidget* w) const {
  if (!w) return {};
  for (const auto& [name, c] : controls_)
    if (c.widget == w) return name;
  return {};
}

}  // namespace poolside
