#pragma once
// The editor's command menus: the option menu of the top bar and the PROGRAM
// button menu with its "Store Program to..." list (the program and preset
// lists and the sequence menus are in editor/PanelMenus.h). The Run functions
// show a menu at the click point and run the chosen item's command on the
// instrument (VornellCommands::RunPresetCommand, RunProgramCommand).
//
// User-interface thread: the builders take the plug-in lock while they read the
// instrument; a menu shown gives back the caller's hold while it waits.
#include <memory>

#include "editor/PanelMenus.h"
#include "graphics/PopupMenu.h"

class IGraphics;
class Vornell;

// The option menu with its flags and check marks as they are now.
std::unique_ptr<PopupMenu> BuildOptionMenu(Vornell& plug);
// The option menu's web site item: not a command of the instrument.
constexpr int kOptionCmdMakerSite = -2;
// The option menu command (VornellCommands::RunPresetCommand) of a choice;
// kOptionCmdMakerSite for the web site item; -1 for anything else.
int OptionCommandFromChoice(const PopupMenu& menu, const PopupMenu* chosen);
// The size in percent a choice in the option menu's "Editor Size" submenu
// stands for, or 0.
int EditorSizeFromChoice(const PopupMenu& menu, const PopupMenu* chosen);
// A size chosen there: remembered in the INI file and applied to the editor,
// at once when the host resizes its window, else at the next opening (the
// status line then says so).
void ChooseEditorSize(Vornell& plug, IGraphics& graphics, int percent);
// The status text when the host kept its window's size.
inline constexpr const char* kEditorSizeDeferredText = "New size at next opening.";
// The PROGRAM button menu; item 0 opens BuildProgramMenu(edit track, "Store Program to...").
std::unique_ptr<PopupMenu> BuildProgramButtonMenu(Vornell& plug);
// The option button: shows the option menu at (x, y) and runs the choice.
// False when nothing was chosen.
bool RunOptionMenu(Vornell& plug, IGraphics& graphics, int x, int y);
// Right-, Shift- or Ctrl-click on PROGRAM: the PROGRAM menu at (x, y); a
// program chosen under "Record/Store Program..." is stored into
// (VornellCommands::StoreProgramFromMenu). False when nothing was chosen.
bool RunProgramButtonMenu(Vornell& plug, IGraphics& graphics, int x, int y);
