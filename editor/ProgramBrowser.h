#pragma once
// The program browser page: a full-window page that lists presets (the
// plug-in's own, or those of a preset, bank or SysEx file) on the left and the
// selected preset's track and library programs on the right. Clicking a
// program auditions it on the edit track; "record all" takes the listed
// library over into the plug-in's.
//
// One browser per plug-in, owned by the editor part and built with it. Its
// entries are a snapshot, read again when the internal source is chosen, when
// the page is shown with it, and when a file is loaded; they are not part of
// the plug-in state.
//
// Threads: user-interface thread only. The browser takes the plug-in lock
// itself around what it reads from or writes to the plug-in, and never holds
// it across a dialog.
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "graphics/IControl.h"
#include "programs/Program.h"

class IGraphics;
class ITextControl;
class PanelModel;
class Vornell;
class ProgramBrowser;
struct PanelBitmap;

// The file name field: shows the chosen file's name, and a click (or the FILE
// button) asks for a preset, bank or SysEx file to list. Draws nothing, and
// takes no clicks, while grayed (the browser lists the plug-in's presets).
class IKRFileControl : public IControl {
 public:
  // folder: where the dialog opens first.
  IKRFileControl(PanelModel* model, ProgramBrowser* browser, const Rect& rect, const std::string& folder);
  void OnMouseDown(int x, int y, const MouseMods& mods) override;
  bool Draw(IGraphics* graphics) override;
  // The file dialog; a chosen file is loaded into the browser. False when
  // nothing was chosen (or no window is open).
  bool ChooseAndLoad();
  const std::string& ChosenPath() const { return chosenPath; }
  const std::string& Folder() const { return folder; }
  // The last component of the chosen path.
  std::string FileName() const;

 private:
  ProgramBrowser* browser;
  std::string folder;
  std::string chosenPath;
};

// Scroll bar of a browser list: a click above the thumb (or on the up arrow)
// pages up, below it (or on the down arrow) pages down.
class IKRScrollControl : public IControl {
 public:
  IKRScrollControl(PanelModel* model, ProgramBrowser* browser, const Rect& rect, int list);
  void OnMouseDown(int x, int y, const MouseMods& mods) override;
  bool Draw(IGraphics* graphics) override;
  // Where Draw puts the thumb for the list's current first visible row.
  void ThumbSpan(int* top, int* bottom) const;

 private:
  ProgramBrowser* browser;
  int list;
  int rowsVisible;
  int rowsTotal;  // the list's nominal size the thumb is scaled to
  Rect track;
  Rect upArrow;
  Rect downArrow;
};

// One row of a browser list: a number and a name. Track rows of the right
// list are marked; the list's selected row is highlighted.
class IKRScrollItemControl : public IControl {
 public:
  IKRScrollItemControl(PanelModel* model, ProgramBrowser* browser, const Rect& rect, int list, int row);
  void OnMouseDown(int x, int y, const MouseMods& mods) override;
  bool Draw(IGraphics* graphics) override;
  void SetTexts(const std::string& number, const std::string& name, bool marked);
  const std::string& NumberText() const { return numberText; }
  const std::string& NameText() const { return nameText; }
  bool Marked() const { return marked; }

 private:
  ProgramBrowser* browser;
  int list;
  int row;
  bool marked = false;
  std::string numberText;
  std::string nameText;
  Rect numberRect;
  Rect nameRect;
  TextStyle numberStyle;
  TextStyle nameStyle;
  TextStyle selectedNumberStyle;
  TextStyle selectedNameStyle;
};

class ProgramBrowser {
 public:
  enum ListId : int { kLeftList = 0, kRightList = 1 };
  static constexpr int kLeftVisible = 20;
  static constexpr int kRightVisible = 60;
  static constexpr int kTrackRows = 6;

  struct Entry {
    std::string name;
    std::vector<Program> tracks;    // the six track programs (none for a SysEx file)
    std::vector<Program> programs;  // library programs, each numbered by the slot it belongs in
  };

  // model: what the page's panel controls see of the instrument.
  ProgramBrowser(Vornell* plug, PanelModel* model);
  ProgramBrowser(const ProgramBrowser&) = delete;
  ProgramBrowser& operator=(const ProgramBrowser&) = delete;

  // Adds the page's controls to the editor, above everything added so far:
  // the page's picture covers the panel, so the panel takes no clicks while
  // the page is shown. bitmap(id, frames) loads a panel picture.
  void BuildPage(IGraphics* graphics, const std::function<PanelBitmap(int id, int frames)>& bitmap);
  // The page's own status line (it covers the panel's), above what BuildPage
  // added; shown and hidden with the page. The editor keeps its text.
  void AddStatusLine(ITextControl* statusLine);

  // Shows or hides every control of the page; shown with the internal
  // source, the entries are read again and the current preset's selected.
  void ShowBrowserPage(bool on);
  bool PageVisible() const { return pageVisible; }
  // The plug-in's initialized presets become the entries; the current
  // preset's shows the live tracks and library, not what the preset stored.
  void UseInternalSource();
  // The editor's idle tick, after the panel changed: with the internal source
  // shown, the current preset's entry takes the live tracks and library, and
  // another preset made current is read again and selected. Under the lock.
  void FollowInstrument();
  // Lists the presets of an .fxp or .fxb file, or the programs of any other
  // file read as SysEx. An empty path only forgets the last one.
  void LoadFileIntoBrowser(const std::string& path);
  // The FILE button: the file name field's dialog. False when nothing was
  // loaded.
  bool ChooseFile();
  // Asks, then records each library program of the selected entry into the
  // plug-in's program of its number.
  // Returns 0 when nothing was asked, 1 for no, 2 for yes.
  int RecordAllPrograms();

  // Row `row` (0-based among the visible rows) of a list was clicked.
  void ClickRow(int list, int row);
  // One page up (direction < 0) or down.
  void ScrollPage(int list, int direction);

  // --- what the page shows ---
  bool FileSource() const { return fileSource; }
  const std::string& FilePath() const { return filePath; }
  const std::vector<Entry>& Entries() const { return entries; }
  int SelectedEntry() const { return selectedEntry; }
  // First visible row of a list, and the right list's selected row (-1 none).
  int FirstVisible(int list) const { return list == kLeftList ? leftFirst : rightFirst; }
  int SelectedRightRow() const { return rightSelected; }
  // Rows in a list now: entries on the left; track and library programs of
  // the selected entry on the right.
  int RowCount(int list) const;
  // Whether visible row `row` of the list is the selected one.
  bool RowSelected(int list, int row) const;
  // The page's controls by key (395 picture, 396 file name, 397/398 LEDs,
  // 399/400 INTERNAL/FILE, 401 EDIT TRACK display, 402/403 its arrows, 404
  // program selector, 405/406 its arrows, 407 "Link Programs", 408 the status
  // line, 409..412
  // RECORD, record all, SINGLE, BANK, 413/414 left and right scroll bars).
  IControl* ControlByKey(int key) const;
  IKRScrollItemControl* Row(int list, int row) const;
  IKRFileControl* FileControl() const { return fileControl; }

 private:
  void Add(IControl* control, int key);
  // The right list's row: a track program first, then the library.
  const Program* RightRowProgram(int absoluteRow) const;
  void SelectEntry(int entry);
  // The current preset's entry from the live state.
  void ReadLiveEntry(Entry& entry) const;
  void RefillLeft();
  void RefillRight();
  void RefreshPage();
  void ApplyVisibility();

  Vornell* plug;
  PanelModel* model;
  IGraphics* graphics = nullptr;
  std::string filePath;
  bool fileSource = false;
  std::vector<Entry> entries;
  int leftFirst = 0;
  int selectedEntry = -1;
  int rightFirst = 0;
  int rightSelected = -1;
  bool pageVisible = false;
  // The preset that was current when the internal entries were read, and its entry.
  int livePreset = -1;
  int liveEntry = -1;

  std::map<int, IControl*> controls;
  std::vector<IControl*> pageControls;
  IKRFileControl* fileControl = nullptr;
  std::vector<IKRScrollItemControl*> leftRows;
  std::vector<IKRScrollItemControl*> rightRows;
};
