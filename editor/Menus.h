#pragma once
// The editor's popup menus: the option menu of the top bar, the PROGRAM
// button menu with its "Store Program to..." list, the SEQ A / SEQ B menus,
// and the program and preset lists of the selectors. The Run functions show a
// menu at the click point and run the chosen item's command on the
// instrument (Vornell::RunPresetCommand, RunProgramCommand, RunSequenceCommand).
//
// User-interface thread, without the plug-in lock: the builders take it while
// they read the instrument, and no lock is held while a menu is shown.
#include <memory>

#include "graphics/EditorRecords.h"
#include "graphics/PopupMenu.h"

class IGraphics;
class Vornell;

// Web site opened by the option menu's "Go Online..." submenu.
constexpr const char* kMakerSiteLabel = "Visit kestrune.example";
constexpr const char* kMakerSiteUrl = "https://kestrune.example/vornell";

// The title as a title item, then four submenus "00 - 24" ... "75 - 99" of 25
// items "%02u: %s" (number, library name), the program of track t checked;
// t < 0 means the edit track.
std::unique_ptr<PopupMenu> BuildProgramMenu(Vornell& plug, int t, const char* title);
// The program a choice in a BuildProgramMenu menu stands for, or -1.
int ProgramFromMenuChoice(const PopupMenu& menu, const PopupMenu* chosen);

// Four submenus "00 - 15" ... "48 - 63" of 16 items "%02u: %s" (number and
// name of each preset), the current preset checked.
std::unique_ptr<PopupMenu> BuildPresetMenu(Vornell& plug);
// The preset a choice in a BuildPresetMenu menu stands for, or -1.
int PresetFromMenuChoice(const PopupMenu& menu, const PopupMenu* chosen);

// The option menu with its flags and check marks as they are now.
std::unique_ptr<PopupMenu> BuildOptionMenu(Vornell& plug);
// The option menu command (Vornell::RunPresetCommand) of a choice; -2 for
// the web site item; -1 for anything else.
int OptionCommandFromChoice(const PopupMenu& menu, const PopupMenu* chosen);
// The PROGRAM button menu; item 0 opens BuildProgramMenu(edit track, "Store Program to...").
std::unique_ptr<PopupMenu> BuildProgramButtonMenu(Vornell& plug);
// The SEQ A (which 0) or SEQ B (1) menu; saving and clearing are disabled
// while the sequence is empty.
std::unique_ptr<PopupMenu> BuildSequenceMenu(Vornell& plug, int which);
// The sequence command (Vornell::RunSequenceCommand) of a choice, or -1.
int SequenceCommandFromChoice(const PopupMenu& menu, const PopupMenu* chosen, int which);

// The option button: shows the option menu at (x, y) and runs the choice.
// False when nothing was chosen.
bool RunOptionMenu(Vornell& plug, IGraphics& graphics, int x, int y);
// Right-, Shift- or Ctrl-click on PROGRAM: the PROGRAM menu at (x, y); a
// program chosen under "Record/Store Program..." is stored into
// (Vornell::StoreProgramFromMenu). False when nothing was chosen.
bool RunProgramButtonMenu(Vornell& plug, IGraphics& graphics, int x, int y);
// Right-, Shift- or Ctrl-click on SEQ A (which 0) or SEQ B (1): the sequence
// menu at (x, y). Shows nothing and returns false while Mode is 1 or 2 (the
// press then belongs to the front panel); otherwise true when a choice ran.
bool RunSequenceMenu(Vornell& plug, IGraphics& graphics, int which, int x, int y);
// The preset selector: the preset list at the selector's bottom-left corner.
// Returns the chosen preset, or -1; selecting it is the caller's part.
int RunPresetMenu(Vornell& plug, IGraphics& graphics, const Rect& selector);
