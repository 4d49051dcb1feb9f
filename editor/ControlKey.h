#pragma once
// What the editor files a control under: a parameter (its index, 0..302) or a
// panel element (its id from performance/PanelIds.h, always negative). The two
// kinds never meet, whatever their numbers.
#include <compare>
#include <cstdint>

class ControlKey {
 public:
  enum class Kind : uint8_t { kParam, kPanel };

  static constexpr ControlKey Param(int index) { return ControlKey(Kind::kParam, index); }
  static constexpr ControlKey Panel(int panelId) { return ControlKey(Kind::kPanel, panelId); }

  constexpr Kind GetKind() const { return kind; }
  // The parameter index or the panel id.
  constexpr int Id() const { return id; }

  constexpr auto operator<=>(const ControlKey&) const = default;

 private:
  constexpr ControlKey(Kind kind, int id) : kind(kind), id(id) {}

  Kind kind;
  int id;
};
