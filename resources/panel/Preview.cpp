#include "resources/panel/Preview.h"

#include <map>

#include "resources/panel/FrameStrip.h"
#include "resources/panel/Pictures.h"

namespace panel {

namespace {

class Composer {
 public:
  explicit Composer(int backgroundId) : canvas_(MakeSurface(kPanelWidth, kPanelHeight)) {
    for (const PictureInfo& info : kPictures) pictures_[info.id] = {&info, info.paint()};
    cr_ = cairo_create(canvas_.get());
    Place(backgroundId, 1, {0, 0});
  }
  ~Composer() { cairo_destroy(cr_); }
  Composer(const Composer&) = delete;
  Composer& operator=(const Composer&) = delete;

  // Frame is 1-based, as the editor counts; the source row is where its
  // frame blitter looks.
  void Place(int id, int frame, const Spot& at) {
    const Entry& entry = pictures_.at(id);
    const PictureInfo& info = *entry.info;
    const int frameHeight = info.height / info.frames;
    const int offset = frame >= 2 ? FrameStrip::FrameOffset(frame - 1, info.height, info.frames) : 0;
    cairo_save(cr_);
    cairo_rectangle(cr_, at.x, at.y, info.width, frameHeight);
    cairo_clip(cr_);
    cairo_set_source_surface(cr_, entry.surface.get(), at.x, at.y - offset);
    cairo_paint(cr_);
    cairo_restore(cr_);
  }
  // A value 0..1 on a strip, frame chosen as the editor's knob does.
  void PlaceValue(int id, double value, const Spot& at) {
    const int frames = pictures_.at(id).info->frames;
    Place(id, static_cast<int>((frames - 1) * value + 0.5) + 1, at);
  }
  // Stand-in for a control's text: the editor's 14-pixel face at the box's top.
  void Text(const char* text, const Box& box, double r, double g, double b, double size = 14) {
    cairo_select_font_face(cr_, "Liberation Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr_, size);
    cairo_set_source_rgba(cr_, r, g, b, 0.75);
    cairo_move_to(cr_, box.left + 1, box.top + size - 2);
    cairo_show_text(cr_, text);
  }
  bool Write(const std::string& path) {
    cairo_surface_flush(canvas_.get());
    return cairo_surface_write_to_png(canvas_.get(), path.c_str()) == CAIRO_STATUS_SUCCESS;
  }

 private:
  struct Entry {
    const PictureInfo* info;
    Surface surface;
  };
  Surface canvas_;
  cairo_t* cr_ = nullptr;
  std::map<int, Entry> pictures_;
};

constexpr int kBack = 101, kBrowser = 102, kButton = 103, kBrowse = 104, kConfig = 105, kRedButton = 106, kCheck = 107,
              kConfigPage = 108, kDigits = 109, kKnob = 110, kSmallKnob = 111, kLearn = 112, kLed = 113,
              kParamPage = 114, kPolyBox = 115, kPrev = 117, kNext = 118;

void PlaceTopBar(Composer& composer, bool configOn, bool browserOn) {
  composer.Place(kPrev, 1, kPresetPrev);
  composer.Place(kNext, 2, kPresetNext);
  composer.Text("07", kPresetNumber, 1, 1, 1);
  composer.Text("Brass Pad Stack", kPresetName, 1, 1, 1);
  composer.Place(kConfig, configOn ? 2 : 1, kConfigSwitch);
  composer.Place(kBrowse, browserOn ? 2 : 1, kBrowserSwitch);
  composer.Place(kLearn, 1, kLearnButton);
}

void PlaceEditTrackRow(Composer& composer) {
  composer.Place(kDigits, 3 + 1, {kEditTrackDisplay.left, kEditTrackDisplay.top});
  composer.Place(kPrev, 1, kEditTrackDown);
  composer.Place(kNext, 1, kEditTrackUp);
  composer.Place(kPrev, 2, kEditProgramDown);
  composer.Place(kNext, 1, kEditProgramUp);
  composer.Text("42", kEditProgramNumber, 1, 1, 1);
  composer.Text("Sync Lead", kEditProgramName, 1, 1, 1);
  composer.Place(kCheck, 2, kRowLinkCheck);
  composer.Text("Calvara", kResolutionDropDown, 1, 1, 1);
  composer.Text("Single", kVoiceModeDropDown, 1, 1, 1);
  composer.Text("Version 1.0.1.N", kStatusLine, 1, 1, 1);
}

void PlaceFrontPanelControls(Composer& composer) {
  for (int i = 0; i < 6; ++i) {
    composer.Place(kLed, i == 2 ? 2 : 1, TrackLed(i));
    composer.Place(kButton, i == 2 ? 2 : 1, TrackButton(i));
    composer.Place(kLed, i == 0 ? 2 : 1, ModeLed(i));
    composer.Place(kButton, 1, ModeButton(i));
  }
  composer.PlaceValue(kKnob, 0.0, kTrackVolumeKnob);
  composer.Place(kLed, 2, kRecordLed);
  composer.Place(kLed, 1, kClickLed);
  composer.Place(kLed, 1, kSyncLed);
  composer.Place(kRedButton, 1, kRecordButton);
  composer.Place(kButton, 2, kClickButton);
  composer.Place(kButton, 1, kSyncButton);
  composer.PlaceValue(kKnob, 0.23, kSpeedKnob);
  // CONTROL: "19" in the display, PARAM selected.
  composer.Place(kDigits, 1 + 1, {kNumberDisplay.left, kNumberDisplay.top});
  composer.Place(kDigits, 9 + 1, {kNumberDisplay.right - kDigitWidth, kNumberDisplay.top});
  for (int i = 0; i < 3; ++i) {
    composer.Place(kLed, i == 1 ? 2 : 1, ControlLed(i));
    composer.Place(kButton, 1, ControlButton(i));
  }
  composer.PlaceValue(kKnob, 1.0, kValueKnob);
  composer.Place(kLed, 1, kControlRecordLed);
  composer.Place(kRedButton, 1, kControlRecordButton);
  for (int digit = 0; digit <= 9; ++digit) composer.Place(kButton, digit == 5 ? 2 : 1, KeypadButton(digit));
  for (int i = 0; i < 4; ++i) composer.PlaceValue(kKnob, i == 0 ? 0.5 : 0.25 * i, MasterKnob(i));
  PlaceEditTrackRow(composer);
  int n = 0;
  for (int k : kVoiceKnobParams) composer.PlaceValue(kKnob, (n++ % 9) / 8.0, VoiceKnob(k));
  n = 0;
  for (const VoiceSwitch& entry : kVoiceSwitches) {
    composer.Place(kLed, n % 3 == 0 ? 2 : 1, entry.led);
    composer.Place(kButton, n == 4 ? 2 : 1, entry.button);
    ++n;
  }
}

void PlaceConfigControls(Composer& composer) {
  composer.Place(kConfigPage, 1, kPageOrigin);
  composer.Text("User Configuration", kTemplateDropDown, 1, 1, 1);
  composer.Place(kButton, 1, kResetButton);
  composer.Place(kCheck, 2, kConfigLinkCheck);
  composer.Text("TUN", {kTuneTransposeToggle.left - 3, kTuneTransposeToggle.top - 2, 0, 0}, 1, 1, 1, 12);
  static const char* const kChannels[6] = {"1", "2", "A", "12", "X", "6"};
  for (int t = 0; t < 6; ++t) {
    composer.Text(kChannels[t], ChannelBox(t), 1, 0.75, 0.19);
    composer.PlaceValue(kPolyBox, (t % 3) / 2.0, ModeBox(t));
    composer.Place(kCheck, t % 2 == 0 ? 2 : 1, CycleCheck(t));
    composer.Text("00", ProgramNumberBox(t), 1, 1, 1);
    const Box name = ProgramNameBox(t);
    composer.Text("Init Program", {name.left + 3, name.top, name.right, name.bottom}, 1, 1, 1);
    composer.PlaceValue(kSmallKnob, 0.5, TuneKnob(t));
    composer.PlaceValue(kSmallKnob, 0.5 + 0.1 * t, VolumeKnob(t));
    composer.PlaceValue(kSmallKnob, t / 5.0, PanKnob(t));
  }
}

void PlaceBrowserControls(Composer& composer) {
  composer.Place(kLed, 2, kBrowserInternalLed);
  composer.Place(kLed, 1, kBrowserFileLed);
  composer.Place(kButton, 1, kBrowserInternalButton);
  composer.Place(kButton, 1, kBrowserFileButton);
  composer.Place(kDigits, 2, {kBrowserEditTrack.left, kBrowserEditTrack.top});
  composer.Place(kPrev, 1, kBrowserEditTrackDown);
  composer.Place(kNext, 1, kBrowserEditTrackUp);
  composer.Place(kPrev, 1, kBrowserProgramDown);
  composer.Place(kNext, 1, kBrowserProgramUp);
  composer.Text("03", kBrowserProgramNumber, 1, 1, 1);
  composer.Text("Hollow Strings", kBrowserProgramName, 1, 1, 1);
  composer.Place(kCheck, 2, kBrowserLinkCheck);
  composer.Place(kRedButton, 1, kBrowserRecord);
  composer.Place(kRedButton, 1, kBrowserRecordAll);
  composer.Place(kButton, 1, kBrowserSingle);
  composer.Place(kButton, 1, kBrowserBank);
  composer.Text("Program recorded/stored.", kBrowserStatusLine, 0.25, 1, 0.25);
  for (int i = 0; i < 8; ++i) {
    const Box row = BrowserLeftRow(i);
    composer.Text(std::to_string(i).c_str(), row, 1, 1, 1);
    composer.Text("Factory Preset", {row.left + 22, row.top, row.right, row.bottom}, 1, 1, 1);
  }
  for (int i = 0; i < 20; ++i) {
    const Box row = BrowserRightRow(0, i);
    const std::string number = i < 6 ? "T" + std::to_string(i + 1) : std::to_string(i - 6);
    composer.Text(number.c_str(), row, 1, 1, 1);
    composer.Text("Program Name", {row.left + 22, row.top, row.right, row.bottom}, 1, 1, 1);
  }
}

}  // namespace

bool WritePreviews(const std::string& folder) {
  bool ok = true;
  {
    Composer composer(kBack);
    composer.Place(kParamPage, 1, kPageOrigin);
    PlaceFrontPanelControls(composer);
    PlaceTopBar(composer, false, false);
    ok = composer.Write(folder + "/preview_panel.png") && ok;
  }
  {
    Composer composer(kBack);
    PlaceConfigControls(composer);
    PlaceFrontPanelControls(composer);
    PlaceTopBar(composer, true, false);
    ok = composer.Write(folder + "/preview_config.png") && ok;
  }
  {
    Composer composer(kBrowser);
    PlaceBrowserControls(composer);
    PlaceTopBar(composer, false, true);
    ok = composer.Write(folder + "/preview_browser.png") && ok;
  }
  return ok;
}

}  // namespace panel
