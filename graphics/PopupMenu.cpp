#include "graphics/PopupMenu.h"

#include <cstdio>

PopupMenuItem::PopupMenuItem(const std::string& itemText, int itemFlags, std::unique_ptr<PopupMenu> sub,
                             int itemCommand)
    : text(itemText), flags(itemFlags), command(itemCommand), submenu(std::move(sub)) {}

PopupMenuItem::PopupMenuItem(const PopupMenuItem& other)
    : text(other.text),
      flags(other.flags),
      command(other.command),
      submenu(other.submenu ? std::make_unique<PopupMenu>(*other.submenu) : nullptr) {}

PopupMenuItem& PopupMenuItem::operator=(const PopupMenuItem& other) {
  if (this != &other) {
    text = other.text;
    flags = other.flags;
    command = other.command;
    submenu = other.submenu ? std::make_unique<PopupMenu>(*other.submenu) : nullptr;
  }
  return *this;
}

PopupMenuItem::~PopupMenuItem() = default;

PopupMenuItem* PopupMenu::GetItem(int index) {
  if (index < 0 || index >= NItems()) return nullptr;
  return &items[static_cast<size_t>(index)];
}

const PopupMenuItem* PopupMenu::GetItem(int index) const {
  if (index < 0 || index >= NItems()) return nullptr;
  return &items[static_cast<size_t>(index)];
}

PopupMenuItem* PopupMenu::AddItem(const std::string& text, int flags, int command) {
  items.emplace_back(text, flags, nullptr, command);
  return &items.back();
}

PopupMenu* PopupMenu::AddSubmenu(const std::string& text, std::unique_ptr<PopupMenu> submenu) {
  if (!submenu) submenu = std::make_unique<PopupMenu>();
  items.emplace_back(text, PopupMenuItem::kNoFlags, std::move(submenu));
  return items.back().Submenu();
}

PopupMenuItem* PopupMenu::InsertItem(int position, const std::string& text, int flags) {
  if (position < 0 || position >= NItems()) return AddItem(text, flags);
  auto it = items.insert(items.begin() + position, PopupMenuItem(text, flags));
  return &*it;
}

int PopupMenu::ChosenCommand() const {
  const PopupMenuItem* item = GetItem(chosenItem);
  return item && item->Choosable() ? item->Command() : PopupMenuItem::kNoCommand;
}

void PopupMenu::AddSeparator() {
  items.emplace_back(std::string(), PopupMenuItem::kSeparator);
}

void PopupMenu::Clear() {
  items.clear();
  chosenItem = -1;
}

std::string PopupMenu::ItemDisplayText(int index) const {
  const PopupMenuItem* item = GetItem(index);
  if (!item) return std::string();
  if (prefix == 0 || item->IsSeparator()) return item->Text();
  static const char* const kFormats[4] = {"", "%1d: ", "%02d: ", "%03d: "};
  char number[32];
  std::snprintf(number, sizeof number, kFormats[prefix], index + 1);
  return number + item->Text();
}

void PopupMenu::CheckItemAlone(int index) {
  for (int i = 0; i < NItems(); ++i) items[static_cast<size_t>(i)].SetChecked(i == index);
}
