#pragma once
// The track-program workflow: which program each track plays, loading a
// program into a track, the program parameters, selecting with linked tracks,
// storing, initialising, renaming, auditioning and the modified test with its
// question. It reaches the instrument through TrackProgramsHost.
//
// Threads: user-interface thread (ApplyProgramParameter: the thread that
// changed the parameter). Every method takes the plug-in lock (a releasable
// hold) around what it changes, except ConfirmModifiedProgram's question,
// which it asks without its own hold.
#include <string>

struct Program;
class TrackProgramsHost;

// Program selection kinds: the number of the Mode each slot set belongs to.
enum ProgramKind : int {
  kProgramKindTrack = 0,
  kProgramKindSeqA = 1,
  kProgramKindSeqB = 2,
  kProgramKindStackA = 5,
  kProgramKindStackB = 6,
};

class TrackPrograms {
 public:
  explicit TrackPrograms(TrackProgramsHost& host) : host(host) {}

  // The program track t plays, 0..99, from the slot set its Mode makes live.
  int TrackProgramNumber(int t) const;
  // The program parameter TrackProgramNumber looks at first for track t.
  int LiveProgramParam(int t) const;
  // Writes program p's 37 values into track t's voice parameters; p = 100 means
  // the track's "Track Prg". The track takes the program's name, unmodified.
  void LoadProgramIntoTrack(int t, int p);
  // A program parameter of kind (ProgramKind) changed to p for track t.
  void ApplyProgramParameter(int kind, int t, int p);
  // Track t plays program p from now on (ignored for p >= 100 or no change).
  void SetTrackProgram(int t, int p);
  // SetTrackProgram on t and on every track linked to it.
  void SelectTrackProgram(int t, int p);
  bool TracksLinked(int a, int b) const;
  // Whether a track other than the edit track plays p (p < 0: the edit track's program).
  bool ProgramUsedElsewhere(int p) const;
  // Records the edit track's sound into library slot p (p < 0: its own program)
  // and reloads every track playing p.
  void StoreTrackProgram(int p);
  // StoreTrackProgram(p), then the edit track and its linked tracks switch to
  // p; the store's message stays on the status line. The keypad's STORE, the
  // browser's RECORD and "Store Program to..." all end here.
  void StoreAndSelectProgram(int p);
  // "Init Program": the edit track and its linked tracks get the default sound.
  void InitEditTrackProgram();
  void RenameTrackProgram(int t, const std::string& name);
  // Plays program on every track that plays the edit track's program, without
  // touching the library.
  void AuditionProgram(const Program& program);
  // Recomputes track t's programModified.
  void UpdateProgramModified(int t);
  // Asks about a modified program of track t (t < 0: all tracks) when the
  // editor is open: 0 nothing asked, 1 the user said no, 2 yes.
  int ConfirmModifiedProgram(int t);

  // A program selection or a state read is in progress: voice edits are not
  // copied to linked tracks and program parameters select nothing.
  bool LinkSuspended() const { return linkSuspended; }
  void SetLinkSuspended(bool on) { linkSuspended = on; }
  // A linked voice edit is being copied to the other tracks (the instrument's
  // parameter routing sets it around the copy).
  bool LinkInProgress() const { return linkInProgress; }
  void SetLinkInProgress(bool on) { linkInProgress = on; }

 private:
  // The parameter holding track t's program for a kind, or -1.
  static int ProgramParamForKind(int kind, int t);
  // A program's value written into a voice parameter; also applied to the
  // engine while a state is loading (when the host is not told).
  void WriteVoiceParameter(int index, double value);

  // The const methods read through a const view of it (`view`): a reference
  // member stays writable in a const method.
  TrackProgramsHost& host;
  bool linkSuspended = false;
  bool linkInProgress = false;
};
