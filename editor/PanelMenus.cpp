#include "editor/PanelMenus.h"

#include <cstdio>
#include <mutex>
#include <string>

#include "graphics/IGraphics.h"
#include "instrument/Vornell.h"
#include "programs/ProgramLibrary.h"

namespace {

constexpr int kProgramsPerSubmenu = 25;
constexpr int kPresetsPerSubmenu = 16;

// Index of the submenu `chosen` among the items of `menu`, counting only
// submenus, or -1.
int SubmenuNumber(const PopupMenu& menu, const PopupMenu* chosen) {
  int number = 0;
  for (int i = 0; i < menu.NItems(); ++i) {
    const PopupMenu* sub = menu.GetItem(i)->Submenu();
    if (!sub) continue;
    if (sub == chosen) return number;
    ++number;
  }
  return -1;
}

std::string RangeText(int first, int last) {
  char text[32];
  std::snprintf(text, sizeof(text), "%02d - %02d", first, last);
  return text;
}

std::string NumberedText(int number, const std::string& name) {
  char text[24];
  std::snprintf(text, sizeof(text), "%02u: ", static_cast<unsigned>(number));
  return text + name;
}

}  // namespace

std::unique_ptr<PopupMenu> BuildProgramMenu(Vornell& plug, int t, const char* title) {
  auto menu = std::make_unique<PopupMenu>();
  PluginLock lock(plug.Mutex());
  if (t < 0) t = plug.Panel().EditTrack();
  const int current = plug.Programs().TrackProgramNumber(t);
  menu->AddItem(title, PopupMenuItem::kTitle);
  for (int first = 0; first < kProgramCount; first += kProgramsPerSubmenu) {
    PopupMenu* sub = menu->AddSubmenu(RangeText(first, first + kProgramsPerSubmenu - 1));
    for (int p = first; p < first + kProgramsPerSubmenu; ++p)
      sub->AddItem(NumberedText(p, plug.Library().programs[static_cast<size_t>(p)].name.substr(0, 64)),
                   p == current ? PopupMenuItem::kChecked : PopupMenuItem::kNoFlags);
  }
  return menu;
}

int ProgramFromMenuChoice(const PopupMenu& menu, const PopupMenu* chosen) {
  const int number = SubmenuNumber(menu, chosen);
  if (number < 0 || chosen->GetChosenItemIdx() < 0) return -1;
  return number * kProgramsPerSubmenu + chosen->GetChosenItemIdx();
}

std::unique_ptr<PopupMenu> BuildPresetMenu(Vornell& plug) {
  auto menu = std::make_unique<PopupMenu>();
  PluginLock lock(plug.Mutex());
  const int current = plug.GetCurrentPresetIndex();
  for (int first = 0; first < plug.NumPresets(); first += kPresetsPerSubmenu) {
    PopupMenu* sub = menu->AddSubmenu(RangeText(first, first + kPresetsPerSubmenu - 1));
    for (int i = first; i < first + kPresetsPerSubmenu && i < plug.NumPresets(); ++i)
      sub->AddItem(NumberedText(i, plug.GetPresetName(i)),
                   i == current ? PopupMenuItem::kChecked : PopupMenuItem::kNoFlags);
  }
  return menu;
}

int PresetFromMenuChoice(const PopupMenu& menu, const PopupMenu* chosen) {
  const int number = SubmenuNumber(menu, chosen);
  if (number < 0 || chosen->GetChosenItemIdx() < 0) return -1;
  return number * kPresetsPerSubmenu + chosen->GetChosenItemIdx();
}

void RunSequenceMenu(Vornell& plug, IGraphics& graphics, int which, int x, int y) {
  static constexpr SequenceFileCommand kCommands[] = {SequenceFileCommand::kLoad, SequenceFileCommand::kSaveType0,
                                                      SequenceFileCommand::kSaveType1, SequenceFileCommand::kClear};
  PopupMenu menu;
  for (SequenceFileCommand command : kCommands)
    menu.AddItem(
        plug.Sequencing().SequenceMenuItemText(command, which),
        plug.Sequencing().SequenceMenuItemEnabled(command, which) ? PopupMenuItem::kNoFlags : PopupMenuItem::kDisabled,
        static_cast<int>(command));
  menu.AddSeparator();
  menu.AddItem(plug.Sequencing().SequenceMenuItemText(SequenceFileCommand::kDefaultPath, which),
               PopupMenuItem::kNoFlags, static_cast<int>(SequenceFileCommand::kDefaultPath));
  const PopupMenu* chosen = graphics.ShowPopupMenu(&menu, Rect(x, y, x, y));
  if (!chosen) return;
  // These commands take the lock themselves and never hold it across a dialog.
  switch (static_cast<SequenceFileCommand>(chosen->ChosenCommand())) {
    case SequenceFileCommand::kLoad:
      plug.Sequencing().LoadSequenceFromMidiFile(which);
      break;
    case SequenceFileCommand::kSaveType0:
      plug.Sequencing().SaveSequenceToMidiFile(which, false);
      break;
    case SequenceFileCommand::kSaveType1:
      plug.Sequencing().SaveSequenceToMidiFile(which, true);
      break;
    case SequenceFileCommand::kClear:
      plug.Sequencing().ClearSequenceFromMenu(which);
      break;
    case SequenceFileCommand::kDefaultPath:
      plug.Sequencing().ChooseDefaultSequencePath();
      break;
  }
}
