#include "editor/Menus.h"

#include <mutex>
#include <string>

#include "graphics/EditorZoom.h"
#include "graphics/IGraphics.h"
#include "instrument/Vornell.h"
#include "online/MakerSite.h"

namespace {

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
    PluginLock lock(plug.Mutex());
    clipboardEmpty = plug.Commands().PresetClipboardEmpty();
    startupBank = !plug.Commands().StartupBankPath().empty();
  }
  const Configuration& config = plug.config;
  auto menu = std::make_unique<PopupMenu>();
  constexpr int kNone = PopupMenuItem::kNoFlags;
  menu->AddItem("Copy Preset", kNone, VornellCommands::kPresetCmdCopy);
  menu->AddItem("Paste Preset", Flag(clipboardEmpty, PopupMenuItem::kDisabled), VornellCommands::kPresetCmdPaste);
  menu->AddItem("Init Preset", kNone, VornellCommands::kPresetCmdInit);
  menu->AddSeparator();
  menu->AddItem("Load Preset", kNone, VornellCommands::kPresetCmdLoad);
  menu->AddItem("Save Preset", kNone, VornellCommands::kPresetCmdSave);
  menu->AddItem("Load Bank", kNone, VornellCommands::kPresetCmdLoadBank);
  menu->AddItem("Save Bank", kNone, VornellCommands::kPresetCmdSaveBank);
  menu->AddSeparator();
  menu->AddItem("Select Startup Bank", kNone, VornellCommands::kPresetCmdSelectStartupBank);
  menu->AddItem("Load Startup Bank", Flag(!startupBank, PopupMenuItem::kDisabled),
                VornellCommands::kPresetCmdLoadStartupBank);
  menu->AddItem("Unselect Startup Bank", Flag(!startupBank, PopupMenuItem::kDisabled),
                VornellCommands::kPresetCmdUnselectStartupBank);
  menu->AddSeparator();
  menu->AddItem("Default Path for Preset Files...", kNone, VornellCommands::kPresetCmdDefaultPath);
  menu->AddItem("Show Configuration At Startup", Flag(config.showConfigAtStartup, PopupMenuItem::kChecked),
                VornellCommands::kPresetCmdShowConfigAtStartup);
  menu->AddItem("Receive Parameter CCs", Flag(config.receiveParamCCs, PopupMenuItem::kChecked),
                VornellCommands::kPresetCmdReceiveParamCCs);
  menu->AddItem("Don't Ask To Commit", Flag(config.dontAskToCommit, PopupMenuItem::kChecked),
                VornellCommands::kPresetCmdDontAskToCommit);
  PopupMenu* midi = menu->AddSubmenu("Global MIDI Settings...");
  midi->AddItem("MIDI Thru", Flag(config.midiThru, PopupMenuItem::kChecked), VornellCommands::kPresetCmdMidiThru);
  midi->AddItem("Ignore Program Change", Flag(config.ignoreProgramChange, PopupMenuItem::kChecked),
                VornellCommands::kPresetCmdIgnoreProgramChange);
  menu->AddItem("Reload Configuration", kNone, VornellCommands::kPresetCmdReloadConfiguration);
  menu->AddItem("Save Configuration", kNone, VornellCommands::kPresetCmdSaveConfiguration);
  menu->AddSeparator();
  PopupMenu* online = menu->AddSubmenu("Go Online...");
  online->AddItem("Check Online for Update", kNone, VornellCommands::kPresetCmdCheckForUpdate);
  online->AddItem(MakerSiteLabel(), kNone, kOptionCmdMakerSite);
  menu->AddSeparator();
  PopupMenu* sizes = menu->AddSubmenu("Editor Size");
  const IGraphics* graphics = plug.GetGraphics();
  const int chosenSize = graphics ? graphics->ChosenZoom() : 100;
  for (int size : kEditorSizes)
    sizes->AddItem(std::to_string(size) + " %", Flag(size == chosenSize, PopupMenuItem::kChecked));
  return menu;
}

int OptionCommandFromChoice(const PopupMenu& menu, const PopupMenu* chosen) {
  if (!chosen) return PopupMenuItem::kNoCommand;
  bool ours = chosen == &menu;
  for (int i = 0; i < menu.NItems() && !ours; ++i) ours = chosen == menu.GetItem(i)->Submenu();
  return ours ? chosen->ChosenCommand() : PopupMenuItem::kNoCommand;
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
    PluginLock lock(plug.Mutex());
    editTrack = plug.Panel().EditTrack();
  }
  auto menu = std::make_unique<PopupMenu>();
  menu->AddSubmenu("Record/Store Program...", BuildProgramMenu(plug, editTrack, "Store Program to..."));
  constexpr int kNone = PopupMenuItem::kNoFlags;
  menu->AddItem("Init Program", kNone, VornellCommands::kProgramCmdInit);
  menu->AddSeparator();
  menu->AddItem("Load Program SysEx File", kNone, VornellCommands::kProgramCmdLoadFile);
  menu->AddItem("Save Program SysEx File", kNone, VornellCommands::kProgramCmdSaveFile);
  menu->AddItem("Load Program Bank SysEx File", kNone, VornellCommands::kProgramCmdLoadBankFile);
  menu->AddItem("Save Program Bank SysEx File", kNone, VornellCommands::kProgramCmdSaveBankFile);
  menu->AddItem("Additionally Save Enhanced Program Data",
                Flag(plug.config.saveEnhancedPrograms, PopupMenuItem::kChecked),
                VornellCommands::kProgramCmdToggleEnhanced);
  menu->AddSeparator();
  menu->AddItem("Restore Factory Program", kNone, VornellCommands::kProgramCmdRestoreFactory);
  menu->AddItem("Restore All Factory Programs", kNone, VornellCommands::kProgramCmdRestoreAllFactory);
  menu->AddSeparator();
  menu->AddItem("Default Path For Program Files...", kNone, VornellCommands::kProgramCmdDefaultPath);
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
  if (command == PopupMenuItem::kNoCommand) return false;
  if (command == kOptionCmdMakerSite)
    graphics.OpenWebPage(MakerSiteUrl(), MakerSiteLabel(), "", NoBrowserText(MakerSiteUrl()));
  else
    plug.Commands().RunPresetCommand(command);
  return true;
}

bool RunProgramButtonMenu(Vornell& plug, IGraphics& graphics, int x, int y) {
  std::unique_ptr<PopupMenu> menu = BuildProgramButtonMenu(plug);
  const PopupMenu* chosen = graphics.ShowPopupMenu(menu.get(), AtPoint(x, y));
  if (!chosen) return false;
  if (chosen == menu.get()) {
    plug.Commands().RunProgramCommand(chosen->ChosenCommand());
    return true;
  }
  const int q = ProgramFromMenuChoice(*menu->GetItem(0)->Submenu(), chosen);
  if (q < 0) return false;
  plug.Commands().StoreProgramFromMenu(q);
  return true;
}
