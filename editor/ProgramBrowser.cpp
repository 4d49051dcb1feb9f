#include "editor/ProgramBrowser.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <mutex>

#include "editor/PanelControls.h"
#include "editor/PanelModel.h"
#include "editor/SelectorControls.h"
#include "editor/VornellEditor.h"
#include "graphics/IControls.h"
#include "graphics/IGraphics.h"
#include "instrument/Vornell.h"
#include "performance/PanelIds.h"
#include "platform/Paths.h"
#include "programs/ParameterTable.h"
#include "programs/ProgramLibrary.h"
#include "programs/StateChunk.h"
#include "resources/panel/PanelLayout.h"

namespace {

// Panel pictures used by the page.
constexpr int kBrowserPicture = 102;
constexpr int kButtonPicture = 103;
constexpr int kRedButtonPicture = 106;
constexpr int kCheckBoxPicture = 107;
constexpr int kDigitsPicture = 109;
constexpr int kLedPicture = 113;
constexpr int kPrevPicture = 117;
constexpr int kNextPicture = 118;

constexpr int kPictureId = -395;
constexpr int kFileNameKey = 396;
constexpr int kEditTrackDisplayKey = 401;
constexpr int kEditTrackDownKey = 402;
constexpr int kEditTrackUpKey = 403;
constexpr int kProgramSelectorKey = 404;
constexpr int kProgramDownKey = 405;
constexpr int kProgramUpKey = 406;
constexpr int kLinkKey = 407;
constexpr int kStatusLineKey = 408;
constexpr int kLeftScrollKey = 413;
constexpr int kRightScrollKey = 414;

// The scroll bars scale their thumb to these list sizes, whatever the list holds.
constexpr int kLeftNominalRows = 64;
constexpr int kRightNominalRows = 100;
constexpr int kArrowHeight = 14;

constexpr const char* kRecordAllQuestion =
    "This will replace all programs of the current preset. Do you want to continue?";

Rect RectOf(const panel::Box& box) {
  return Rect(box.left, box.top, box.right, box.bottom);
}

std::string LastComponent(const std::string& path) {
  const size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A preset's track programs and library from its stored state; the library
// programs are numbered by their slot (a slot's own number field may say
// otherwise after a program was loaded into another slot). Returns the
// position after the state, or -1.
int ReadEntryPrograms(const DataBlock& block, int position, ProgramBrowser::Entry& entry) {
  position = ReadStateSummary(block, position, entry.tracks, entry.programs);
  for (size_t slot = 0; slot < entry.programs.size(); ++slot) entry.programs[slot].number = static_cast<uint8_t>(slot);
  return position;
}

// The presets of a SerializePresets list (as the file peeks give them) that
// hold a readable state. A state that cannot be read ends the list: nothing
// after it can be found.
void ReadPresetEntries(const DataBlock& block, std::vector<ProgramBrowser::Entry>& entries) {
  int position = 0;
  for (int i = 0; i < 64 && position >= 0 && position < block.Size(); ++i) {
    ProgramBrowser::Entry entry;
    uint8_t initialized = 0;
    position = block.GetText(&entry.name, position);
    position = block.GetByte(&initialized, position);
    if (position < 0) break;
    if (!initialized) continue;
    position = ReadEntryPrograms(block, position, entry);
    if (position < 0) break;
    entries.push_back(std::move(entry));
  }
}

}  // namespace

// --- IKRFileControl ----------------------------------------------------------------

IKRFileControl::IKRFileControl(PanelModel* model, ProgramBrowser* owner, const Rect& rect, const std::string& start)
    : IControl(model->Delegate(), rect), browser(owner), folder(start) {
  textStyle = PanelTextStyle(Color(255, 220, 220, 220));
}

std::string IKRFileControl::FileName() const {
  return LastComponent(chosenPath);
}

bool IKRFileControl::Draw(IGraphics* g) {
  if (grayed) return true;
  return g->DrawLabel(&textStyle, FittedText(&textStyle, FileName(), drawRect.W()), drawRect);
}

void IKRFileControl::OnMouseDown(int, int, const MouseMods&) {
  if (grayed) return;
  ChooseAndLoad();
  MarkDirty(false);
}

bool IKRFileControl::ChooseAndLoad() {
  if (!graphics || !graphics->IsEditorOpen()) return false;
  std::string result;
  graphics->ChooseFile(result, IGraphics::FileMode::Open, folder, "fxb fxp syx", "Load File into Browser");
  if (result.empty()) return false;
  chosenPath = result;
  browser->LoadFileIntoBrowser(result);
  MarkDirty(false);
  return true;
}

// --- IKRScrollControl --------------------------------------------------------------

IKRScrollControl::IKRScrollControl(PanelModel* model, ProgramBrowser* owner, const Rect& rect, int whichList)
    : IControl(model->Delegate(), rect), browser(owner), list(whichList) {
  const bool left = list == ProgramBrowser::kLeftList;
  rowsVisible = left ? ProgramBrowser::kLeftVisible : ProgramBrowser::kRightVisible;
  rowsTotal = left ? kLeftNominalRows : kRightNominalRows;
  track = Rect(rect.left, rect.top + kArrowHeight, rect.right, rect.bottom - kArrowHeight);
  upArrow = Rect(rect.left, rect.top, rect.right, rect.top + kArrowHeight);
  downArrow = Rect(rect.left, rect.bottom - kArrowHeight, rect.right, rect.bottom);
}

void IKRScrollControl::ThumbSpan(int* top, int* bottom) const {
  const double trackHeight = drawRect.H() - 2 * kArrowHeight;
  const double first = browser->FirstVisible(list);
  *top = static_cast<int>(first / rowsTotal * trackHeight + track.top);
  *bottom = std::min(*top + static_cast<int>(static_cast<double>(rowsVisible) / rowsTotal * trackHeight), track.bottom);
}

bool IKRScrollControl::Draw(IGraphics* g) {
  int top = 0, bottom = 0;
  ThumbSpan(&top, &bottom);
  if (bottom > top) g->FillRect(Color(32, 255, 255, 255), Rect(drawRect.left, top, drawRect.right, bottom));
  return true;
}

void IKRScrollControl::OnMouseDown(int x, int y, const MouseMods&) {
  int top = 0, bottom = 0;
  ThumbSpan(&top, &bottom);
  if (y < top || upArrow.Contains(x, y))
    browser->ScrollPage(list, -1);
  else if (y >= bottom || downArrow.Contains(x, y))
    browser->ScrollPage(list, 1);
  MarkDirty(false);
}

// --- IKRScrollItemControl ----------------------------------------------------------

IKRScrollItemControl::IKRScrollItemControl(PanelModel* model, ProgramBrowser* owner, const Rect& rect, int whichList,
                                           int rowNumber)
    : IControl(model->Delegate(), rect), browser(owner), list(whichList), row(rowNumber) {
  numberRect = Rect(rect.left, rect.top, rect.left + 20, rect.bottom);
  nameRect = Rect(rect.left + 22, rect.top, rect.right - 1, rect.bottom);
  const Color ordinary(128, 255, 255, 255);
  const Color selected(192, 255, 255, 255);
  numberStyle = PanelTextStyle(ordinary, TextStyle::kAlignCenter);
  nameStyle = PanelTextStyle(ordinary);
  selectedNumberStyle = PanelTextStyle(selected, TextStyle::kAlignCenter);
  selectedNameStyle = PanelTextStyle(selected);
}

void IKRScrollItemControl::SetTexts(const std::string& number, const std::string& name, bool mark) {
  numberText = number;
  nameText = name;
  marked = mark;
  MarkDirty(false);
}

bool IKRScrollItemControl::Draw(IGraphics* g) {
  if (!numberText.empty()) g->FillRect(Color(16, 255, 255, 255), numberRect);
  if (browser->RowSelected(list, row)) {
    g->FillRect(Color(32, 255, 255, 255), drawRect);
    g->DrawLabel(&selectedNumberStyle, numberText, numberRect);
    g->DrawLabel(&selectedNameStyle, FittedText(&selectedNameStyle, nameText, nameRect.W()), nameRect);
    return true;
  }
  if (marked) g->FillRect(Color(32, 0, 0, 128), drawRect);
  g->DrawLabel(&numberStyle, numberText, numberRect);
  g->DrawLabel(&nameStyle, FittedText(&nameStyle, nameText, nameRect.W()), nameRect);
  return true;
}

void IKRScrollItemControl::OnMouseDown(int, int, const MouseMods&) {
  browser->ClickRow(list, row);
  MarkDirty(false);
}

// --- ProgramBrowser: the page ------------------------------------------------------

ProgramBrowser::ProgramBrowser(Vornell* vornell, PanelModel* panelModel) : plug(vornell), model(panelModel) {}

void ProgramBrowser::Add(IControl* control, int key) {
  graphics->AddControl(control);
  pageControls.push_back(control);
  if (key >= 0) controls[key] = control;
}

IControl* ProgramBrowser::ControlByKey(int key) const {
  const auto found = controls.find(key);
  return found == controls.end() ? nullptr : found->second;
}

IKRScrollItemControl* ProgramBrowser::Row(int list, int row) const {
  const std::vector<IKRScrollItemControl*>& rows = list == kLeftList ? leftRows : rightRows;
  return (row >= 0 && row < static_cast<int>(rows.size())) ? rows[static_cast<size_t>(row)] : nullptr;
}

void ProgramBrowser::BuildPage(IGraphics* g, const std::function<PanelBitmap(int, int)>& bitmap) {
  using namespace panel;
  graphics = g;
  const PanelBitmap led = bitmap(kLedPicture, 2);
  const PanelBitmap button = bitmap(kButtonPicture, 2);
  const PanelBitmap redButton = bitmap(kRedButtonPicture, 2);
  const PanelBitmap prev = bitmap(kPrevPicture, 2);
  const PanelBitmap next = bitmap(kNextPicture, 2);
  auto kick = [&](const Spot& spot, int id, const PanelBitmap& picture) {
    Add(new IKRUtilityKick(model, spot.x, spot.y, id, picture), -id);
  };

  // The picture takes every click the page's own controls leave.
  Add(new IBitmapControl(plug, 0, 0, kPictureId, bitmap(kBrowserPicture, 1)), -kPictureId);
  Add(new IKRLED(model, kBrowserInternalLed.x, kBrowserInternalLed.y, panel_id::kBrowserInternalLed, led),
      -panel_id::kBrowserInternalLed);
  Add(new IKRLED(model, kBrowserFileLed.x, kBrowserFileLed.y, panel_id::kBrowserFileLed, led),
      -panel_id::kBrowserFileLed);
  kick(kBrowserInternalButton, panel_id::kBrowserInternal, button);
  kick(kBrowserFileButton, panel_id::kBrowserFile, button);
  fileControl = new IKRFileControl(model, this, RectOf(kBrowserFileName), plug->config.presetPath);
  Add(fileControl, kFileNameKey);

  Add(new IKRNumberDisplay(model, RectOf(kBrowserEditTrack), panel_id::kEditTrackDisplay,
                           bitmap(kDigitsPicture, kDigitFrames)),
      kEditTrackDisplayKey);
  Add(new IKRUtilityKick(model, kBrowserEditTrackDown.x, kBrowserEditTrackDown.y, panel_id::kEditTrackDown, prev),
      kEditTrackDownKey);
  Add(new IKRUtilityKick(model, kBrowserEditTrackUp.x, kBrowserEditTrackUp.y, panel_id::kEditTrackUp, next),
      kEditTrackUpKey);
  Add(new IKRPrgControl(model, RectOf(kBrowserProgramNumber), RectOf(kBrowserProgramName), -1, true, -1,
                        kBrowserLinkCheck.x - 1),
      kProgramSelectorKey);
  Add(new IKRUtilityKick(model, kBrowserProgramDown.x, kBrowserProgramDown.y, panel_id::kProgramDown, prev),
      kProgramDownKey);
  Add(new IKRUtilityKick(model, kBrowserProgramUp.x, kBrowserProgramUp.y, panel_id::kProgramUp, next), kProgramUpKey);
  Add(new IKRSwitchControl(model, kBrowserLinkCheck.x, kBrowserLinkCheck.y, kParamLinkPrograms,
                           bitmap(kCheckBoxPicture, 2)),
      kLinkKey);
  kick(kBrowserRecord, panel_id::kBrowserRecord, redButton);
  kick(kBrowserRecordAll, panel_id::kBrowserRecordAll, redButton);
  kick(kBrowserSingle, panel_id::kBrowserSingle, button);
  kick(kBrowserBank, panel_id::kBrowserBank, button);

  Add(new IKRScrollControl(model, this, RectOf(kBrowserLeftScroll), kLeftList), kLeftScrollKey);
  Add(new IKRScrollControl(model, this, RectOf(kBrowserRightScroll), kRightList), kRightScrollKey);
  for (int i = 0; i < kLeftVisible; ++i) {
    leftRows.push_back(new IKRScrollItemControl(model, this, RectOf(BrowserLeftRow(i)), kLeftList, i));
    Add(leftRows.back(), -1);
  }
  // Numbered column by column.
  for (int i = 0; i < kRightVisible; ++i) {
    const Box box = BrowserRightRow(i / kBrowserRows, i % kBrowserRows);
    rightRows.push_back(new IKRScrollItemControl(model, this, RectOf(box), kRightList, i));
    Add(rightRows.back(), -1);
  }
}

void ProgramBrowser::AddStatusLine(ITextControl* statusLine) {
  Add(statusLine, kStatusLineKey);
}

void ProgramBrowser::ApplyVisibility() {
  for (IControl* control : pageControls) control->SetHidden(!pageVisible);
  fileControl->SetGrayed(!fileSource);
  const VornellEditor* editor = VornellEditor::Of(*plug);
  if (IControl* pageSwitch = editor ? editor->ControlByKey(ControlKey::Panel(panel_id::kBrowserPageSwitch)) : nullptr) {
    pageSwitch->SetValue(pageVisible ? 1.0 : 0.0);
    pageSwitch->MarkDirty(false);
  }
}

void ProgramBrowser::RefreshPage() {
  if (!graphics) return;
  RefillLeft();
  RefillRight();
  fileControl->SetGrayed(!fileSource);
  for (IControl* control : pageControls) control->MarkDirty(false);
}

void ProgramBrowser::ShowBrowserPage(bool on) {
  if (!graphics) return;
  pageVisible = on;
  ApplyVisibility();
  if (on && !fileSource) {
    UseInternalSource();
    return;
  }
  RefreshPage();
}

// --- ProgramBrowser: sources -------------------------------------------------------

void ProgramBrowser::UseInternalSource() {
  fileSource = false;
  entries.clear();
  int currentEntry = -1;
  {
    PluginLock lock(plug->Mutex());
    const int current = plug->GetCurrentPresetIndex();
    for (int i = 0; i < plug->NumPresets(); ++i) {
      const PlugPreset* preset = plug->GetPreset(i);
      if (!preset || !preset->initialized) continue;
      Entry entry;
      entry.name = preset->name;
      if (i == current) {
        // The preset stored its state when it was left, not since.
        ReadLiveEntry(entry);
        currentEntry = static_cast<int>(entries.size());
      } else if (ReadEntryPrograms(preset->state, 0, entry) < 0) {
        continue;
      }
      entries.push_back(std::move(entry));
    }
    livePreset = current;
    liveEntry = currentEntry;
  }
  // The current preset's row is scrolled into view.
  if (currentEntry >= 0 && (currentEntry < leftFirst || currentEntry >= leftFirst + kLeftVisible))
    leftFirst = currentEntry - currentEntry % kLeftVisible;
  if (leftFirst >= static_cast<int>(entries.size())) leftFirst = 0;
  SelectEntry(currentEntry);
  if (pageVisible) RefreshPage();
}

void ProgramBrowser::ReadLiveEntry(Entry& entry) const {
  entry.tracks.clear();
  entry.programs.assign(plug->Library().programs.begin(), plug->Library().programs.end());
  for (size_t slot = 0; slot < entry.programs.size(); ++slot) entry.programs[slot].number = static_cast<uint8_t>(slot);
  for (int t = 0; t < Engine::kTrackCount; ++t) {
    Program track;
    track.number = static_cast<uint8_t>(t);
    track.name = plug->GetEngine().GetTrack(t).programName;
    for (int k = 0; k < kVoiceParamCount; ++k)
      track.values[static_cast<size_t>(k)] = static_cast<uint8_t>(plug->IntParam(VoiceParamIndex(t, k)) & 0xff);
    entry.tracks.push_back(std::move(track));
  }
}

void ProgramBrowser::FollowInstrument() {
  if (!pageVisible || fileSource) return;
  PluginLock lock(plug->Mutex());
  if (plug->stateLoading) return;
  if (plug->GetCurrentPresetIndex() != livePreset) {
    UseInternalSource();
    return;
  }
  if (liveEntry < 0 || liveEntry >= static_cast<int>(entries.size())) return;
  Entry& entry = entries[static_cast<size_t>(liveEntry)];
  entry.name = plug->GetPresetName(livePreset);
  ReadLiveEntry(entry);
  RefillLeft();
  if (selectedEntry == liveEntry) RefillRight();
}

void ProgramBrowser::LoadFileIntoBrowser(const std::string& path) {
  filePath = path;
  if (path.empty()) return;
  leftFirst = 0;
  rightFirst = 0;
  fileSource = true;
  entries.clear();
  // The extension in any case tells the kind: ".Fxb" is a bank, not SysEx.
  if (PathHasExtension(path, "fxp") || PathHasExtension(path, "fxb")) {
    const bool bank = PathHasExtension(path, "fxb");
    DataBlock block;
    const bool read = bank ? plug->Commands().PeekBankFile(path, block) : plug->Commands().PeekProgramFile(path, block);
    if (read) ReadPresetEntries(block, entries);
  } else {
    std::vector<Program> programs;
    if (ListSysExPrograms(path, plug->Library().saveEnhancedPrograms, programs)) {
      std::stable_sort(programs.begin(), programs.end(),
                       [](const Program& a, const Program& b) { return a.number < b.number; });
      Entry entry;
      entry.name = LastComponent(path);
      entry.programs = std::move(programs);
      entries.push_back(std::move(entry));
    }
  }
  selectedEntry = entries.empty() ? -1 : 0;
  rightSelected = -1;
  RefillLeft();
  RefillRight();
  ClickRow(kLeftList, 0);
  if (pageVisible) RefreshPage();
}

bool ProgramBrowser::ChooseFile() {
  return fileControl && fileControl->ChooseAndLoad();
}

int ProgramBrowser::RecordAllPrograms() {
  if (!plug->EditorOpen() || selectedEntry < 0 || selectedEntry >= static_cast<int>(entries.size())) return 0;
  // Taken before asking: the list may not be looked at again while the box is open.
  const std::vector<Program> programs = entries[static_cast<size_t>(selectedEntry)].programs;
  if (plug->ShowMessage(kRecordAllQuestion, "Record All Programs", kMessageYesNo | kMessageIconQuestion) != kAnswerYes)
    return 1;
  PluginLock lock(plug->Mutex());
  // Each program goes into its own number: a file need not hold them all.
  std::array<bool, kProgramCount> recorded{};
  for (const Program& listed : programs) {
    if (listed.number >= kProgramCount) continue;
    Program& program = plug->Library().programs[listed.number];
    program.values = listed.values;
    program.name = listed.name;
    recorded[listed.number] = true;
  }
  for (int t = 0; t < Engine::kTrackCount; ++t) {
    const int p = plug->Programs().TrackProgramNumber(t);
    if (recorded[static_cast<size_t>(p)]) plug->Programs().LoadProgramIntoTrack(t, p);
  }
  plug->ModifyCurrentPreset();
  plug->MarkPanelDirty();
  return 2;
}

// --- ProgramBrowser: lists ---------------------------------------------------------

int ProgramBrowser::RowCount(int list) const {
  if (list == kLeftList) return static_cast<int>(entries.size());
  if (selectedEntry < 0 || selectedEntry >= static_cast<int>(entries.size())) return 0;
  const Entry& entry = entries[static_cast<size_t>(selectedEntry)];
  return static_cast<int>(entry.tracks.size() + entry.programs.size());
}

bool ProgramBrowser::RowSelected(int list, int row) const {
  if (list == kLeftList) return selectedEntry >= 0 && leftFirst + row == selectedEntry;
  return rightSelected >= 0 && rightFirst + row == rightSelected;
}

const Program* ProgramBrowser::RightRowProgram(int absoluteRow) const {
  if (absoluteRow < 0 || selectedEntry < 0 || selectedEntry >= static_cast<int>(entries.size())) return nullptr;
  const Entry& entry = entries[static_cast<size_t>(selectedEntry)];
  const size_t row = static_cast<size_t>(absoluteRow);
  if (row < entry.tracks.size()) return &entry.tracks[row];
  if (row - entry.tracks.size() < entry.programs.size()) return &entry.programs[row - entry.tracks.size()];
  return nullptr;
}

void ProgramBrowser::RefillLeft() {
  for (int i = 0; i < static_cast<int>(leftRows.size()); ++i) {
    const int index = leftFirst + i;
    if (index < static_cast<int>(entries.size()))
      leftRows[static_cast<size_t>(i)]->SetTexts(std::to_string(index), entries[static_cast<size_t>(index)].name,
                                                 false);
    else
      leftRows[static_cast<size_t>(i)]->SetTexts("", "", false);
  }
}

void ProgramBrowser::RefillRight() {
  const Entry* entry = (selectedEntry >= 0 && selectedEntry < static_cast<int>(entries.size()))
                           ? &entries[static_cast<size_t>(selectedEntry)]
                           : nullptr;
  const int tracks = entry ? static_cast<int>(entry->tracks.size()) : 0;
  for (int i = 0; i < static_cast<int>(rightRows.size()); ++i) {
    IKRScrollItemControl* row = rightRows[static_cast<size_t>(i)];
    const int index = rightFirst + i;
    const Program* program = RightRowProgram(index);
    if (!program)
      row->SetTexts("", "", false);
    else if (index < tracks)
      row->SetTexts("T" + std::to_string(index + 1), program->name, true);
    else
      row->SetTexts(std::to_string(program->number), program->name, false);
  }
}

void ProgramBrowser::SelectEntry(int entry) {
  selectedEntry = entry;
  rightFirst = 0;
  rightSelected = -1;
  RefillLeft();
  RefillRight();
}

void ProgramBrowser::ClickRow(int list, int row) {
  if (list == kLeftList) {
    const int index = leftFirst + row;
    if (row < 0 || index >= static_cast<int>(entries.size())) return;
    // SelectEntry refills (and so redraws) every left row, the old and the new one included.
    SelectEntry(index);
    return;
  }
  const Program* program = RightRowProgram(rightFirst + row);
  if (!program) return;
  rightSelected = rightFirst + row;
  for (IKRScrollItemControl* item : rightRows) item->MarkDirty(false);
  // A copy: auditioning reaches the editor, which must not see the list change under it.
  const Program audition = *program;
  plug->Programs().AuditionProgram(audition);
}

void ProgramBrowser::ScrollPage(int list, int direction) {
  const int page = list == kLeftList ? kLeftVisible : kRightVisible;
  int& first = list == kLeftList ? leftFirst : rightFirst;
  first += direction < 0 ? -page : page;
  if (first >= RowCount(list)) first -= page;
  if (first < 0) first = 0;
  if (list == kLeftList)
    RefillLeft();
  else
    RefillRight();
}

// --- the editor's side ------------------------------------------------------------

int VornellEditor::BrowserButton(int id) {
  switch (id) {
    case panel_id::kBrowserInternal:
      browser->UseInternalSource();
      return 0;
    case panel_id::kBrowserFile:
      if (!plug->EditorOpen()) return 0;
      browser->ChooseFile();
      return 2;
    case panel_id::kBrowserRecordAll:
      return browser->RecordAllPrograms();
    // SINGLE and BANK are the program menu's two save commands; they open a
    // dialog (or refuse with a message).
    case panel_id::kBrowserSingle:
      plug->Commands().RunProgramCommand(VornellCommands::kProgramCmdSaveFile);
      return 2;
    case panel_id::kBrowserBank:
      plug->Commands().RunProgramCommand(VornellCommands::kProgramCmdSaveBankFile);
      return 2;
    default:
      return 0;
  }
}

bool VornellEditor::BrowserShowsFile() const {
  return browser->FileSource();
}
