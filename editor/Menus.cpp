#include "editor/Menus.h"

#include <cstdio>
#include <mutex>
#include <string>

#include "graphics/IGraphics.h"
#include "plugin/Vornell.h"
#include "programs/Program.h"

namespace {

constexpr int kProgramsPerSubmenu = 25;
constexpr int kPresetsPerSubmenu = 16;
constexpr size_t kMaxProgramNameInMenu = 64;
// The sequence menu's "Default Path For Sequence Files..." item and its command.
constexpr int kSequenceDefaultPathItem = 5;
constexpr int kSequenceDefaultPathCommand = 10;
// The option menu's submenu items: the commands of "Global MIDI Settings..."
// start here; "Go Online..." holds the update check and the web site.
constexpr int kMidiSettingsItem = 17;
constexpr int kGoOnlineItem = 21;

std::string NumberedItem(int number, const std::string& name) {
  char prefix[24];
  std::snprintf(prefix, sizeof(prefix), "%02u: ", static_cast<unsigned>(number));
  return prefix + name;
}

std::string RangeTitle(int first, int last) {
  char text[32];
  std::snprintf(text, sizeof(text), "%02d - %02d", first, last);
  return text;
}

int Flag(bool on, int flag) {
  return on ? flag : PopupMenuItem::kNoFlags;
}

// Index of `chosen` among the submenus of `menu` in order, or -1.
int SubmenuPosition(const PopupMenu& menu, const PopupMenu* chosen) {
  if (!chosen) return -1;
  int position = 0;
  for (int i = 0; i < menu.NItems(); ++i) {
    const PopupMenu* sub = menu.GetItem(i)->Submenu();
    if (!sub) continue;
    if (sub == chosen) return position;
    ++position;
  }
  return -1;
}

// The chosen item of a numbered list menu of `per` items in each submenu.
int NumberFromChoice(const PopupMenu& menu, const PopupMenu* chosen, int per) {
  const int position = SubmenuPosition(menu, chosen);
  if (position < 0) return -1;
  const int index = chosen->GetChosenItemIdx();
  if (index < 0 || index >= per) return -1;
  return position * per + index;
}

// A point as the rectangle whose bottom-left corner it is.
Rect AtPoint(int x, int y) {
  return Rect(x, y, x, y);
}

}  // namespace

std::unique_ptr<PopupMenu> BuildProgramMenu(Vornell& plug, int t, const char* title) {
  auto menu = std::make_unique<PopupMenu>();
  menu->AddItem(title ? title : "", PopupMenuItem::kTitle);
  std::lock_guard<std::recursive_mutex> lock(plug.Mutex());
  if (t < 0) t = plug.editTrack;
  const int current = plug.TrackProgramNumber(t);
  for (int first = 0; first < kProgramCount; first += kProgramsPerSubmenu) {
    PopupMenu* sub = menu->AddSubmenu(RangeTitle(first, first + kProgramsPerSubmenu - 1));
    for (int p = first; p < first + kProgramsPerSubmenu; ++p) {
      const std::string& name = plug.library.programs[static_cast<size_t>(p)].name;
      sub->AddItem(NumberedItem(p, name.substr(0, kMaxProgramNameInMenu)),
                   Flag(p == current, PopupMenuItem::kChecked));
    }
  }
  return menu;
}

int ProgramFromMenuChoice(const PopupMenu& menu, const PopupMenu* chosen) {
  return NumberFromChoice(menu, chosen, kProgramsPerSubmenu);
}

std::unique_ptr<PopupMenu> BuildPresetMenu(Vornell& plug) {
  auto menu = std::make_unique<PopupMenu>();
  std::lock_guard<std::recursive_mutex> lock(plug.Mutex());
  const int current = plug.GetCurrentPresetIndex();
  for (int first = 0; first < plug.NumPresets(); first += kPresetsPerSubmenu) {
    PopupMenu* sub = menu->AddSubmenu(RangeTitle(first, first + kPresetsPerSubmenu - 1));
    for (int i = first; i < first + kPresetsPerSubmenu && i < plug.NumPresets(); ++i)
      sub->AddItem(NumberedItem(i, plug.GetPresetName(i)), Flag(i == current, PopupMenuItem::kChecked));
  }
  return menu;
}

int PresetFromMenuChoice(const PopupMenu& menu, const PopupMenu* chosen) {
  return NumberFromChoice(menu, chosen, kPresetsPerSubmenu);
}

std::unique_ptr<PopupMenu> BuildOptionMenu(Vornell& plug) {
  bool clipboardEmpty = true;
  bool startupBank = false;
  {
    std::lock_guard<std::recursive_mutex> lock(plug.Mutex());
    clipboardEmpty = plug.PresetClipboardEmpty();
    startupBank = !plug.startupBankPath.empty();
  }
  const Configuration& config = plug.config;
  auto menu = std::make_unique<PopupMenu>();
  menu->AddItem("Copy Preset");
  menu->AddItem("Paste Preset", Flag(clipboardEmpty, PopupMenuItem::kDisabled));
  menu->AddItem("Init Preset");
  menu->AddSeparator();
  menu->AddItem("Load Preset");
  menu->AddItem("Save Preset");
  menu->AddItem("Load Bank");
  menu->AddItem("Save Bank");
  menu->AddSeparator();
  menu->AddItem("Select Startup Bank");
  menu->AddItem("Load Startup Bank", Flag(!startupBank, PopupMenuItem::kDisabled));
  menu->AddItem("Unselect Startup Bank", Flag(!startupBank, PopupMenuItem::kDisabled));
  menu->AddSeparator();
  menu->AddItem("Default Path for Preset Files...");
  menu->AddItem("Show Configuration At Startup", Flag(config.showConfigAtStartup, PopupMenuItem::kChecked));
  menu->AddItem("Receive Parameter CCs", Flag(config.receiveParamCCs, PopupMenuItem::kChecked));
  menu->AddItem("Don't Ask To Commit", Flag(config.dontAskToCommit, PopupMenuItem::kChecked));
  PopupMenu* midi = menu->AddSubmenu("Global MIDI Settings...");
  midi->AddItem("MIDI Thru", Flag(config.midiThru, PopupMenuItem::kChecked));
  midi->AddItem("Ignore Program Change", Flag(config.ignoreProgramChange, PopupMenuItem::kChecked));
  menu->AddItem("Reload Configuration");
  menu->AddItem("Save Configuration");
  menu->AddSeparator();
  PopupMenu* online = menu->AddSubmenu("Go Online...");
  // The update check is not part of this build.
  online->AddItem("Check Online for Update", PopupMenuItem::kDisabled);
  online->AddItem(kMakerSiteLabel);
  return menu;
}

int OptionCommandFromChoice(const PopupMenu& menu, const PopupMenu* chosen) {
  if (!chosen) return -1;
  const int index = chosen->GetChosenItemIdx();
  if (chosen == &menu) {
    const PopupMenuItem* item = menu.GetItem(index);
    return item && item->Choosable() ? index : -1;
  }
  const PopupMenuItem* midi = menu.GetItem(kMidiSettingsItem);
  if (midi && chosen == midi->Submenu() && index >= 0 && index <= 1) return Vornell::kPresetCmdMidiThru + index;
  const PopupMenuItem* online = menu.GetItem(kGoOnlineItem);
  if (online && chosen == online->Submenu()) {
    if (index == 0) return Vornell::kPresetCmdCheckForUpdate;
    if (index == 1) return -2;
  }
  return -1;
}

std::unique_ptr<PopupMenu> BuildProgramButtonMenu(Vornell& plug) {
  auto menu = std::make_unique<PopupMenu>();
  menu->AddSubmenu("Record/Store Program...", BuildProgramMenu(plug, -1, "Store Program to..."));
  menu->AddItem("Init Program");
  menu->AddSeparator();
  menu->AddItem("Load Program SysEx File");
  menu->AddItem("Save Program SysEx File");
  menu->AddItem("Load Program Bank SysEx File");
  menu->AddItem("Save Program Bank SysEx File");
  menu->AddItem("Additionally Save Enhanced Program Data",
                Flag(plug.config.saveEnhancedPrograms, PopupMenuItem::kChecked));
  menu->AddSeparator();
  menu->AddItem("Restore Factory Program");
  menu->AddItem("Restore All Factory Programs");
  menu->AddSeparator();
  menu->AddItem("Default Path For Program Files...");
  return menu;
}

std::unique_ptr<PopupMenu> BuildSequenceMenu(Vornell& plug, int which) {
  which = which == 1 ? 1 : 0;
  auto menu = std::make_unique<PopupMenu>();
  for (SequenceFileCommand command : {SequenceFileCommand::kLoad, SequenceFileCommand::kSaveType0,
                                      SequenceFileCommand::kSaveType1, SequenceFileCommand::kClear}) {
    menu->AddItem(plug.SequenceMenuItemText(command, which),
                  Flag(!plug.SequenceMenuItemEnabled(command, which), PopupMenuItem::kDisabled));
  }
  menu->AddSeparator();
  menu->AddItem(plug.SequenceMenuItemText(SequenceFileCommand::kDefaultPath, which));
  return menu;
}

int SequenceCommandFromChoice(const PopupMenu& menu, const PopupMenu* chosen, int which) {
  if (chosen != &menu) return -1;
  const int index = chosen->GetChosenItemIdx();
  if (index >= 0 && index <= 3) return (which == 1 ? 5 : 0) + index;
  if (index == kSequenceDefaultPathItem) return kSequenceDefaultPathCommand;
  return -1;
}

bool RunOptionMenu(Vornell& plug, IGraphics& graphics, int x, int y) {
  std::unique_ptr<PopupMenu> menu = BuildOptionMenu(plug);
  const int command = OptionCommandFromChoice(*menu, graphics.ShowPopupMenu(menu.get(), AtPoint(x, y)));
  if (command == -1) return false;
  if (command == -2)
    graphics.OpenWebPage(kMakerSiteUrl, "", "", "");
  else
    plug.RunPresetCommand(command);
  return true;
}

bool RunProgramButtonMenu(Vornell& plug, IGraphics& graphics, int x, int y) {
  std::unique_ptr<PopupMenu> menu = BuildProgramButtonMenu(plug);
  const PopupMenu* chosen = graphics.ShowPopupMenu(menu.get(), AtPoint(x, y));
  if (!chosen) return false;
  if (chosen == menu.get()) {
    plug.RunProgramCommand(chosen->GetChosenItemIdx());
    return true;
  }
  const int q = ProgramFromMenuChoice(*menu->GetItem(0)->Submenu(), chosen);
  if (q < 0) return false;
  plug.StoreProgramFromMenu(q);
  return true;
}

bool RunSequenceMenu(Vornell& plug, IGraphics& graphics, int which, int x, int y) {
  {
    std::lock_guard<std::recursive_mutex> lock(plug.Mutex());
    const int mode = plug.ModeValue();
    if (mode == 1 || mode == 2) return false;
  }
  std::unique_ptr<PopupMenu> menu = BuildSequenceMenu(plug, which);
  const int command = SequenceCommandFromChoice(*menu, graphics.ShowPopupMenu(menu.get(), AtPoint(x, y)), which);
  if (command < 0) return false;
  plug.RunSequenceCommand(command);
  return true;
}

int RunPresetMenu(Vornell& plug, IGraphics& graphics, const Rect& selector) {
  std::unique_ptr<PopupMenu> menu = BuildPresetMenu(plug);
  return PresetFromMenuChoice(*menu, graphics.ShowPopupMenu(menu.get(), selector));
}
