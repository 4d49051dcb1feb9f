#include "instrument/VornellSequenceFiles.h"

#include <mutex>

#include "graphics/IGraphics.h"
#include "instrument/Vornell.h"
#include "sequencer/SequenceFileCommands.h"

bool VornellSequenceFiles::EditorOpen() {
  return plug.EditorOpen();
}

void VornellSequenceFiles::LockSequencer() {
  plug.Mutex().LockReleasable();
}

void VornellSequenceFiles::UnlockSequencer() {
  plug.Mutex().UnlockReleasable();
}

Sequence& VornellSequenceFiles::SequenceAt(int which) {
  return plug.SequenceAt(which);
}

void VornellSequenceFiles::ClearSequence(int which) {
  plug.ClearSequence(which);
  cleared = true;
}

void VornellSequenceFiles::ModifyCurrentPreset() {
  PluginLock lock(plug.Mutex());
  plug.ModifyCurrentPreset();
}

std::string VornellSequenceFiles::ChooseFile(DialogMode mode, const std::string& folder, const std::string& extensions,
                                             const std::string& fileName, const std::string& title) {
  return plug.ChooseSequenceFile(mode, folder, extensions, fileName, title);
}

int VornellSequenceFiles::ShowMessage(const std::string& text, const std::string& caption, int type) {
  return plug.ShowMessage(text, caption, type);
}

void VornellSequenceFiles::ShowStatus(const std::string& text, int colour) {
  PluginLock lock(plug.Mutex());
  plug.ShowStatus(text.c_str(), colour);
}

std::string VornellSequenceFiles::SequencePath() {
  return plug.config.sequencePath;
}

void VornellSequenceFiles::StoreSequencePath(const std::string& folder) {
  // An unwritable settings file still leaves the folder in force for this session.
  plug.config.SetDefaultSequencePath(folder);
  storedPath = folder;
}

// ---- the sequence menu's commands on the instrument ---------------------------------------

std::string Vornell::LoadSequenceFromMidiFile(int which) {
  VornellSequenceFiles files(*this);
  return RunSequenceFileCommand(SequenceFileCommand::kLoad, which == 1 ? 1 : 0, files);
}

std::string Vornell::SaveSequenceToMidiFile(int which, bool type1) {
  VornellSequenceFiles files(*this);
  return RunSequenceFileCommand(type1 ? SequenceFileCommand::kSaveType1 : SequenceFileCommand::kSaveType0,
                                which == 1 ? 1 : 0, files);
}

bool Vornell::ClearSequenceFromMenu(int which) {
  VornellSequenceFiles files(*this);
  RunSequenceFileCommand(SequenceFileCommand::kClear, which == 1 ? 1 : 0, files);
  return files.Cleared();
}

std::string Vornell::ChooseDefaultSequencePath() {
  VornellSequenceFiles files(*this);
  RunSequenceFileCommand(SequenceFileCommand::kDefaultPath, 0, files);
  return files.StoredPath();
}

std::string Vornell::SequenceMenuItemText(SequenceFileCommand command, int which) const {
  return SequenceMenuText(command, which == 1 ? 1 : 0);
}

bool Vornell::SequenceMenuItemEnabled(SequenceFileCommand command, int which) {
  PluginLock lock(Mutex());
  return SequenceMenuEnabled(command, SequenceAt(which == 1 ? 1 : 0));
}

std::string Vornell::ChooseSequenceFile(SequenceFileHost::DialogMode mode, const std::string& folder,
                                        const std::string& extensions, const std::string& fileName,
                                        const std::string& title) {
  IGraphics* graphics = GetGraphics();
  if (!graphics) return "";  // no editor: as if cancelled
  const IGraphics::FileMode fileMode = mode == SequenceFileHost::DialogMode::kOpen   ? IGraphics::FileMode::Open
                                       : mode == SequenceFileHost::DialogMode::kSave ? IGraphics::FileMode::Save
                                                                                     : IGraphics::FileMode::Folder;
  std::string result = fileName;
  std::string start = folder;
  graphics->ChooseFile(result, fileMode, start, extensions, title);
  return result;
}
