#pragma once
// Menus the panel controls open: the program list of a track, the preset
// list and a sequence's file menu. User-interface thread; every function
// takes the plug-in lock itself where it reads or changes the instrument,
// and none holds it while a menu is shown.
#include <memory>

#include "graphics/PopupMenu.h"

class IGraphics;
class Vornell;

// "title" as a title item, then four submenus "00 - 24" ... "75 - 99" of 25
// items "%02u: %s" each, the program track t plays checked.
std::unique_ptr<PopupMenu> BuildProgramMenu(Vornell& plug, int t, const char* title);
// The program a choice in a BuildProgramMenu menu stands for, or -1.
int ProgramFromMenuChoice(const PopupMenu& menu, const PopupMenu* chosen);

// Four submenus "00 - 15" ... "48 - 63" of 16 items "%02u: %s" (number and
// name of each preset), the current preset checked.
std::unique_ptr<PopupMenu> BuildPresetMenu(Vornell& plug);
// The preset a choice in a BuildPresetMenu menu stands for, or -1.
int PresetFromMenuChoice(const PopupMenu& menu, const PopupMenu* chosen);

// The file menu of Seq A (which 0) or Seq B (1); runs the chosen command.
void RunSequenceMenu(Vornell& plug, IGraphics& graphics, int which, int x, int y);
