#pragma once
// The small control interfaces the windows' logic works on. The Qt layer
// implements them over widgets; tests use the fakes of tests/support.
// Texts are UTF-8; carets and lengths count characters.

#include <cstdint>
#include <string>

namespace poolside {

// A back colour: an RGB value or the system's 3-D face colour.
struct Color {
  std::uint8_t r = 0, g = 0, b = 0;
  bool face = false;
  friend bool operator==(const Color&, const Color&) = default;
};
inline constexpr Color kFaceColor{0, 0, 0, true};
inline constexpr Color kLightRed{255, 192, 192, false};
inline constexpr Color kLightCyan{192, 255, 255, false};
inline constexpr Color kWhite{255, 255, 255, false};
// A warning that must be seen (the link-health label): a strong amber that
// no other control of the windows uses.
inline constexpr Color kWarningAmber{255, 176, 0, false};
// "#rrggbb" or "face".
std::string ColorName(const Color& c);

// Key codes and shift-state bits of the key handlers.
inline constexpr int kKeyEnter = 13;
inline constexpr int kKeyLeft = 37;
inline constexpr int kKeyUp = 38;
inline constexpr int kKeyRight = 39;
inline constexpr int kKeyDown = 40;
inline constexpr int kShiftMask = 1;
inline constexpr int kCtrlMask = 2;
inline constexpr int kAltMask = 4;

class TextBox {
 public:
  virtual ~TextBox() = default;
  virtual std::string Text() const = 0;
  // Replaces the text; when it differs, the box's change handling runs (as
  // when the operator types), then the caret stands after the last character.
  virtual void SetText(const std::string& text) = 0;
  virtual int Caret() const = 0;
  virtual void SetCaret(int position) = 0;
  virtual Color BackColor() const = 0;
  virtual void SetBackColor(const Color& c) = 0;
  virtual bool Enabled() const = 0;
  virtual void SetEnabled(bool on) = 0;
  virtual bool HasFocus() const = 0;
  virtual void SetFocus() = 0;
  virtual std::string ToolTip() const = 0;
  virtual void SetToolTip(const std::string& tip) = 0;
};

class Label {
 public:
  virtual ~Label() = default;
  virtual std::string Caption() const = 0;
  virtual void SetCaption(const std::string& caption) = 0;
  virtual Color BackColor() const = 0;
  virtual void SetBackColor(const Color& c) = 0;
  // Bold text; a label that cannot show it ignores it.
  virtual bool Bold() const { return false; }
  virtual void SetBold(bool) {}
};

class Button {
 public:
  virtual ~Button() = default;
  virtual std::string Caption() const = 0;
  virtual void SetCaption(const std::string& caption) = 0;
  virtual bool Enabled() const = 0;
  virtual void SetEnabled(bool on) = 0;
  virtual bool HasFocus() const = 0;
  virtual void SetFocus() = 0;
};

}  // namespace poolside
