#pragma once
// A popup menu: items with flags and optional submenus, shown by
// IGraphics::ShowPopupMenu.
#include <memory>
#include <string>
#include <vector>

class PopupMenu;

class PopupMenuItem {
 public:
  enum Flags { kNoFlags = 0, kDisabled = 1, kTitle = 2, kChecked = 4, kSeparator = 8 };
  // The command of an item that carries none.
  static constexpr int kNoCommand = -1;

  PopupMenuItem(const std::string& itemText, int itemFlags = kNoFlags, std::unique_ptr<PopupMenu> sub = nullptr,
                int itemCommand = kNoCommand);
  PopupMenuItem(const PopupMenuItem& other);
  PopupMenuItem& operator=(const PopupMenuItem& other);
  // Moving keeps the submenu object, so pointers to it stay valid.
  PopupMenuItem(PopupMenuItem&& other) noexcept = default;
  PopupMenuItem& operator=(PopupMenuItem&& other) noexcept = default;
  ~PopupMenuItem();

  const std::string& Text() const { return text; }
  void SetText(const std::string& newText) { text = newText; }
  int Flags() const { return flags; }
  void SetFlags(int newFlags) { flags = newFlags; }
  bool Enabled() const { return !(flags & kDisabled); }
  bool IsTitle() const { return flags & kTitle; }
  bool Checked() const { return flags & kChecked; }
  bool IsSeparator() const { return flags & kSeparator; }
  // A disabled or title item cannot be chosen, nor can a separator or an
  // item that opens a submenu.
  bool Choosable() const { return !IsSeparator() && Enabled() && !IsTitle() && !submenu; }
  void SetEnabled(bool on) { flags = on ? (flags & ~kDisabled) : (flags | kDisabled); }
  void SetChecked(bool on) { flags = on ? (flags | kChecked) : (flags & ~kChecked); }
  PopupMenu* Submenu() const { return submenu.get(); }
  // What choosing the item does, as its menu's owner numbers its commands:
  // the choice is read from the item, not from where it stands in the menu.
  int Command() const { return command; }

 private:
  std::string text;
  int flags = kNoFlags;
  int command = kNoCommand;
  std::unique_ptr<PopupMenu> submenu;
};

class PopupMenu {
 public:
  PopupMenu() = default;
  PopupMenu(const PopupMenu& other) = default;
  PopupMenu& operator=(const PopupMenu& other) = default;
  PopupMenu(PopupMenu&& other) noexcept = default;
  PopupMenu& operator=(PopupMenu&& other) noexcept = default;

  // Number prefixes: 0 none; 1, 2, 3 put the item's 1-based number before
  // its text with at least that many digits ("%1d: %s", "%02d: %s", "%03d: %s").
  int PrefixMode() const { return prefix; }
  void SetPrefix(int mode) { prefix = (mode >= 0 && mode <= 3) ? mode : 0; }

  int NItems() const { return static_cast<int>(items.size()); }
  // Null outside 0..NItems()-1.
  PopupMenuItem* GetItem(int index);
  const PopupMenuItem* GetItem(int index) const;
  PopupMenuItem* AddItem(const std::string& text, int flags = PopupMenuItem::kNoFlags,
                         int command = PopupMenuItem::kNoCommand);
  // Appends an item that opens the submenu; returns the submenu.
  PopupMenu* AddSubmenu(const std::string& text, std::unique_ptr<PopupMenu> submenu = nullptr);
  // Inserts before position (appends when the position is past the end).
  PopupMenuItem* InsertItem(int position, const std::string& text, int flags = PopupMenuItem::kNoFlags);
  void AddSeparator();
  void Clear();

  // The text as shown, with the number prefix.
  std::string ItemDisplayText(int index) const;
  // Check mark on item `index` only (none for -1).
  void CheckItemAlone(int index);

  int GetChosenItemIdx() const { return chosenItem; }
  // The chosen item's command: kNoCommand when nothing choosable was chosen.
  int ChosenCommand() const;
  void SetChosenItemIdx(int index) { chosenItem = index; }

 private:
  int prefix = 0;
  int chosenItem = -1;
  std::vector<PopupMenuItem> items;
};
