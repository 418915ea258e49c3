// A display attribute of the script highlighter: a name, a font style and colours.
// The highlighter owns its attributes; the editor adapter reads them and listens
// for changes, so they stay the one place where the look of a token kind lives.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace kelvarin {

struct TRgb {
  std::uint8_t r = 0, g = 0, b = 0;
  bool operator==(const TRgb&) const = default;
};

enum TFontStyle : unsigned { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };

class TSynHighlighterAttributes {
 public:
  // An absent colour means the editor's own default.
  TSynHighlighterAttributes(std::string name, unsigned style, std::optional<TRgb> foreground)
      : m_name(std::move(name)), m_style(style), m_foreground(foreground) {}
  TSynHighlighterAttributes(const TSynHighlighterAttributes&) = delete;
  TSynHighlighterAttributes& operator=(const TSynHighlighterAttributes&) = delete;

  const std::string& Name() const { return m_name; }
  unsigned Style() const { return m_style; }
  bool Bold() const { return m_style & fsBold; }
  bool Italic() const { return m_style & fsItalic; }
  std::optional<TRgb> Foreground() const { return m_foreground; }
  std::optional<TRgb> Background() const { return m_background; }

  void SetStyle(unsigned style) { Set(m_style, style); }
  void SetForeground(std::optional<TRgb> colour) { Set(m_foreground, colour); }
  void SetBackground(std::optional<TRgb> colour) { Set(m_background, colour); }

  // Called after every change that alters the attribute.
  void SetOnChange(std::function<void()> onChange) { m_onChange = std::move(onChange); }

 private:
  template <class T> void Set(T& field, const T& value) {
    if (field == value) return;
    field = value;
    if (m_onChange) m_onChange();
  }

  std::string m_name;
  unsigned m_style;
  std::optional<TRgb> m_foreground;
  std::optional<TRgb> m_background;
  std::function<void()> m_onChange;
};

}  // namespace kelvarin
