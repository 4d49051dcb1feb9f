// The track-program workflow over a fake host: what it changes, it changes
// under the plug-in lock, and its question waits without the lock.
#include <gtest/gtest.h>

#include <array>
#include <random>

#include "engine/Track.h"
#include "plugin/PluginLock.h"
#include "programs/ParameterTable.h"
#include "programs/ProgramLibrary.h"
#include "programs/TrackPrograms.h"
#include "programs/TrackProgramsHost.h"

namespace {

class FakeProgramsHost final : public TrackProgramsHost {
 public:
  PluginMutex& Mutex() override { return mutex; }
  int IntParam(int index) const override { return static_cast<int>(values[static_cast<size_t>(index)]); }
  double ParamDefault(int index) const override {
    return index >= kParamFirstVoice ? kVoiceParamDefault[VoiceParamSlot(index)] : 0.0;
  }
  void SetParam(int index, double value) override {
    Changing();
    values[static_cast<size_t>(index)] = value;
  }
  void ApplyParam(int) override { Changing(); }
  bool StateLoading() const override { return false; }
  bool ExtendedResolution() const override { return extended; }
  bool LinkProgramsOn() const override { return link; }
  int Mode() const override { return kModeNormal; }
  Track& TrackAt(int t) override {
    Changing();
    return tracks[static_cast<size_t>(t)];
  }
  const Track& TrackAt(int t) const override { return tracks[static_cast<size_t>(t)]; }
  ProgramLibrary& Library() override {
    Changing();
    return library;
  }
  const ProgramLibrary& Library() const override { return library; }
  int EditTrack() const override { return editTrack; }
  void ProgramLoaded() override { Changing(); }
  void EditTrackChanged() override { Changing(); }
  void MarkPanelDirty() override { Changing(); }
  void ShowDone(const char*) override { Changing(); }
  void ClearStatus() override { Changing(); }
  bool EditorOpen() const override { return true; }
  bool DontAskToCommit() const override { return false; }
  bool AskYesNo(const std::string&, const std::string&) override {
    ++questions;
    if (mutex.HeldByThisThread()) ++questionsUnderLock;
    return answer;
  }

  PluginMutex mutex;
  std::array<double, kNumParams> values{};
  std::array<Track, kParamTrackCount> tracks{};
  ProgramLibrary library;
  bool link = true;
  bool extended = false;
  bool answer = true;
  int editTrack = 0;
  int unlockedChanges = 0;
  int questions = 0;
  int questionsUnderLock = 0;

 private:
  void Changing() {
    if (!mutex.HeldByThisThread()) ++unlockedChanges;
  }
};

TEST(TrackPrograms, ChangesHoldTheLockAndTheQuestionWaitsWithoutIt) {
  FakeProgramsHost host;
  TrackPrograms programs(host);
  host.library.RestoreFactoryPrograms(-1);
  std::mt19937 random(16);
  auto pick = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
  // Arguments run a little beyond the valid ranges on both sides.
  for (int step = 0; step < 2000; ++step) {
    host.link = pick(0, 1) == 1;
    host.extended = pick(0, 3) == 0;
    host.answer = pick(0, 1) == 1;
    host.editTrack = pick(0, kParamTrackCount - 1);
    Track& track = host.tracks[static_cast<size_t>(pick(0, kParamTrackCount - 1))];
    track.armed = pick(0, 2) == 0;
    const int t = pick(-1, kParamTrackCount);
    const int p = pick(-1, kNoSequenceProgram + 1);
    switch (pick(0, 10)) {
      case 0:
        programs.LoadProgramIntoTrack(t, p);
        break;
      case 1:
        programs.ApplyProgramParameter(pick(0, 6), t, p);
        break;
      case 2:
        programs.SetTrackProgram(t, p);
        break;
      case 3:
        programs.SelectTrackProgram(t, p);
        break;
      case 4:
        programs.StoreTrackProgram(p);
        break;
      case 5:
        programs.StoreAndSelectProgram(p);
        break;
      case 6:
        programs.InitEditTrackProgram();
        break;
      case 7:
        programs.RenameTrackProgram(t, "RENAMED");
        break;
      case 8:
        programs.AuditionProgram(host.library.programs[static_cast<size_t>(pick(0, kProgramCount - 1))]);
        break;
      case 9:
        programs.UpdateProgramModified(t);
        break;
      default: {
        // An edit the question is about, now and then.
        if (pick(0, 1) == 0) host.values[VoiceParamIndex(host.editTrack, pick(0, kVoiceParamCount - 1))] = pick(0, 255);
        const int answer = programs.ConfirmModifiedProgram(pick(-1, kParamTrackCount - 1));
        EXPECT_TRUE(answer == 0 || answer == (host.answer ? 2 : 1)) << answer;
        break;
      }
    }
    for (int i = 0; i < kParamTrackCount; ++i) ASSERT_LT(static_cast<unsigned>(programs.TrackProgramNumber(i)), 100u);
  }
  EXPECT_EQ(host.unlockedChanges, 0);
  EXPECT_GT(host.questions, 0);
  EXPECT_EQ(host.questionsUnderLock, 0);
  EXPECT_FALSE(programs.LinkSuspended());
}

}  // namespace
