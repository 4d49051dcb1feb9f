#include "sequencer/SequenceFileCommands.h"

#include <sys/stat.h>

#include <mutex>
#include <new>
#include <vector>

#include "sequencer/MidiFile.h"
#include "sequencer/Sequence.h"

namespace {

std::mutex folderMutex;
std::string sharedFolder;
bool folderInitialized = false;

class SequencerLock {
 public:
  explicit SequencerLock(SequenceFileHost& host) : host(host) { host.LockSequencer(); }
  ~SequencerLock() { host.UnlockSequencer(); }
  SequencerLock(const SequencerLock&) = delete;
  SequencerLock& operator=(const SequencerLock&) = delete;

 private:
  SequenceFileHost& host;
};

char SequenceLetter(int which) {
  return which == 1 ? 'B' : 'A';
}

void TakeSequencePathOnFirstUse(SequenceFileHost& host) {
  {
    std::lock_guard<std::mutex> guard(folderMutex);
    if (folderInitialized) return;
  }
  // Asked outside the folder lock: the host may take locks of its own.
  const std::string path = host.SequencePath();
  std::lock_guard<std::mutex> guard(folderMutex);
  if (folderInitialized) return;
  sharedFolder = path;
  folderInitialized = true;
}

std::string Report(SequenceFileHost& host, bool ok, const char* failure) {
  if (ok) {
    host.ShowStatus("Done.", SequenceFileHost::kGreen);
    return "Done.";
  }
  host.ShowMessage(failure, "Error", SequenceFileHost::kMessageOk);
  host.ShowStatus(failure, SequenceFileHost::kRed);
  return failure;
}

std::string LoadCommand(int which, SequenceFileHost& host) {
  const std::string path = host.ChooseFile(SequenceFileHost::DialogMode::kOpen, SequenceFolder(), "mid", "",
                                           SequenceMenuText(SequenceFileCommand::kLoad, which));
  if (path.empty()) return "";
  SetSequenceFolder(FolderOfPath(path));
  return Report(host, ReadMidiFile(path, which, host), "Cannot load file!");
}

std::string SaveCommand(int which, bool type1, SequenceFileHost& host) {
  const std::string path = host.ChooseFile(
      SequenceFileHost::DialogMode::kSave, SequenceFolder(), "mid", "Vornell",
      SequenceMenuText(type1 ? SequenceFileCommand::kSaveType1 : SequenceFileCommand::kSaveType0, which));
  if (path.empty()) return "";
  SetSequenceFolder(FolderOfPath(path));
  host.ModifyCurrentPreset();
  return Report(host, WriteMidiFile(path, type1, which, host), "Cannot save file!");
}

std::string ClearCommand(int which, SequenceFileHost& host) {
  const std::string caption = std::string("Clear Sequence ") + SequenceLetter(which);
  const std::string question = std::string("Do you really want to clear Sequence ") + SequenceLetter(which) + "?";
  // Only an explicit "no" cancels.
  if (host.ShowMessage(question, caption, SequenceFileHost::kMessageYesNo) == SequenceFileHost::kAnswerNo) return "";
  SequencerLock lock(host);
  host.ClearSequence(which);
  return "";
}

std::string DefaultPathCommand(SequenceFileHost& host) {
  const std::string result = host.ChooseFile(SequenceFileHost::DialogMode::kFolder, SequenceFolder(), "", "",
                                             "Default Path For Sequence Files");
  if (result.empty()) return "";
  // The answer is the folder; a host that answers with a file in it gets its folder.
  struct stat info;
  std::string folder = result;
  if (stat(result.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  } else {
    folder = FolderOfPath(result);
  }
  SetSequenceFolder(folder);
  host.StoreSequencePath(folder);
  return "";
}

}  // namespace

std::string SequenceMenuText(SequenceFileCommand command, int which) {
  const std::string letter(1, SequenceLetter(which));
  switch (command) {
    case SequenceFileCommand::kLoad:
      return "Load Sequence " + letter + " From MIDI File";
    case SequenceFileCommand::kSaveType0:
      return "Save Sequence " + letter + " To MIDI Type 0 File";
    case SequenceFileCommand::kSaveType1:
      return "Save Sequence " + letter + " To MIDI Type 1 File";
    case SequenceFileCommand::kClear:
      return "Clear Sequence " + letter;
    case SequenceFileCommand::kDefaultPath:
      return "Default Path For Sequence Files...";
  }
  return "";
}

bool SequenceMenuEnabled(SequenceFileCommand command, const Sequence& sequence) {
  switch (command) {
    case SequenceFileCommand::kSaveType0:
    case SequenceFileCommand::kSaveType1:
    case SequenceFileCommand::kClear:
      return !sequence.Empty();
    default:
      return true;
  }
}

std::string RunSequenceFileCommand(SequenceFileCommand command, int which, SequenceFileHost& host) {
  if (!host.EditorOpen()) return "";
  TakeSequencePathOnFirstUse(host);
  switch (command) {
    case SequenceFileCommand::kLoad:
      return LoadCommand(which, host);
    case SequenceFileCommand::kSaveType0:
      return SaveCommand(which, false, host);
    case SequenceFileCommand::kSaveType1:
      return SaveCommand(which, true, host);
    case SequenceFileCommand::kClear:
      return ClearCommand(which, host);
    case SequenceFileCommand::kDefaultPath:
      return DefaultPathCommand(host);
  }
  return "";
}

bool ReadMidiFile(const std::string& path, int which, SequenceFileHost& host) {
  // The file is read into a sequence of its own, away from the lock, so the
  // audio thread never waits for the disk and never sees a half-read sequence.
  Sequence loaded;
  {
    SequencerLock lock(host);
    const Sequence& current = host.SequenceAt(which);
    loaded.tempo = current.tempo;
    loaded.barLength = current.barLength;
  }
  const MidiFileReadResult result = ReadMidiFile(path, loaded);
  // A file that breaks off part-way would leave a fragment in place of the
  // user's loop: only a file read to its end replaces the sequence.
  if (!result.complete) return false;
  {
    SequencerLock lock(host);
    host.ClearSequence(which);
    host.SequenceAt(which).TakeFrom(loaded);
  }
  // `loaded` now holds the old event storage and frees it here, outside the lock.
  return result.complete;
}

bool WriteMidiFile(const std::string& path, bool type1, int which, SequenceFileHost& host) {
  if (path.empty()) return false;
  std::vector<uint8_t> bytes;
  try {
    SequencerLock lock(host);
    BuildMidiFile(host.SequenceAt(which), type1, bytes);
  } catch (const std::bad_alloc&) {
    return false;
  }
  return WriteBytesToFile(path, bytes);
}

std::string SequenceFolder() {
  std::lock_guard<std::mutex> guard(folderMutex);
  return sharedFolder;
}

void SetSequenceFolder(const std::string& folder) {
  std::lock_guard<std::mutex> guard(folderMutex);
  sharedFolder = folder;
  folderInitialized = true;
}

void ForgetSequenceFolder() {
  std::lock_guard<std::mutex> guard(folderMutex);
  sharedFolder.clear();
  folderInitialized = false;
}

std::string FolderOfPath(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return "";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}
