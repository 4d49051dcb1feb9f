#include "editor/Menus.h"

#include <mutex>
#include <string>

#include "graphics/EditorZoom.h"
#include "graphics/IGraphics.h"
#include "online/MakerSite.h"
#include "plugin/Vornell.h"

namespace {

// The option menu's submenu items: the commands of "Global MIDI Settings..."
// start here; "Go Online..." holds the update check and the web site.
constexpr int kMidiSettingsItem = 17;
constexpr int kGoOnlineItem = 21;
constexpr int kEditorSizeItem = 23;

int Flag(bool on, int flag) {
  return on ? flag : PopupMenuItem::kNoFlags;
}

// A point as the rectangle whose bottom-left corner it is.
Rect AtPoint(int x, int y) {
  return Rect(x, y, x, y);
}

}  // namespace

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
  online->AddItem("Check Online for Update");
  online->AddItem(MakerSiteLabel());
  menu->AddSeparator();
  PopupMenu* sizes = menu->AddSubmenu("Editor Size");
  const IGraphics* graphics = plug.GetGraphics();
  const int chosenSize = graphics ? graphics->ChosenZoom() : 100;
  for (int size : kEditorSizes)
    sizes->AddItem(std::to_string(size) + " %", Flag(size == chosenSize, PopupMenuItem::kChecked));
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

int EditorSizeFromChoice(const PopupMenu& menu, const PopupMenu* chosen) {
  const PopupMenuItem* sizes = menu.GetItem(kEditorSizeItem);
  if (!chosen || !sizes || chosen != sizes->Submenu()) return 0;
  const int index = chosen->GetChosenItemIdx();
  if (index < 0 || index >= static_cast<int>(kEditorSizes.size())) return 0;
  return kEditorSizes[static_cast<size_t>(index)];
}

void ChooseEditorSize(Vornell& plug, IGraphics& graphics, int percent) {
  plug.config.SetEditorSize(percent);
  if (graphics.SetZoom(percent) == IGraphics::ZoomResult::Deferred)
    plug.ShowStatus(kEditorSizeDeferredText, kStatusOrange);
}

std::unique_ptr<PopupMenu> BuildProgramButtonMenu(Vornell& plug) {
  int editTrack = 0;
  {
    std::lock_guard<std::recursive_mutex> lock(plug.Mutex());
    editTrack = plug.editTrack;
  }
  auto menu = std::make_unique<PopupMenu>();
  menu->AddSubmenu("Record/Store Program...", BuildProgramMenu(plug, editTrack, "Store Program to..."));
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

bool RunOptionMenu(Vornell& plug, IGraphics& graphics, int x, int y) {
  std::unique_ptr<PopupMenu> menu = BuildOptionMenu(plug);
  const PopupMenu* chosen = graphics.ShowPopupMenu(menu.get(), AtPoint(x, y));
  if (const int size = EditorSizeFromChoice(*menu, chosen)) {
    ChooseEditorSize(plug, graphics, size);
    return true;
  }
  const int command = OptionCommandFromChoice(*menu, chosen);
  if (command == -1) return false;
  if (command == -2)
    graphics.OpenWebPage(MakerSiteUrl(), MakerSiteLabel(), "", NoBrowserText(MakerSiteUrl()));
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
