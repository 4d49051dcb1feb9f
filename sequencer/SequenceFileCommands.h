#pragma once
// The sequence menu of SEQ A and SEQ B: loading and saving MIDI files,
// clearing, and the default folder. User-interface thread.
#include <string>

#include "sequencer/SequenceFileHost.h"

class Sequence;

enum class SequenceFileCommand { kLoad, kSaveType0, kSaveType1, kClear, kDefaultPath };

// The menu item text, e.g. "Load Sequence A From MIDI File" (which 0 = A, 1 = B).
std::string SequenceMenuText(SequenceFileCommand command, int which);
// Saving and clearing need a sequence with events; the rest are always offered.
bool SequenceMenuEnabled(SequenceFileCommand command, const Sequence& sequence);

// Runs one command. Returns the status text it showed ("Done.", "Cannot load
// file!", "Cannot save file!"), or an empty text when it showed none (closed
// editor, cancelled dialog, clearing, a new default folder).
std::string RunSequenceFileCommand(SequenceFileCommand command, int which, SequenceFileHost& host);

// Reads a MIDI file into Seq A or Seq B. The file is parsed away from the
// sequence; only when all of it was read is the sequence cleared through the
// host (program parameters to 100, Mode Normal) and given what was read, under
// the plug-in lock. A failed read leaves the sequence, its programs and the
// Mode alone. True only when the whole file was read.
bool ReadMidiFile(const std::string& path, int which, SequenceFileHost& host);
// Writes Seq A or Seq B (copied under the plug-in lock) as a type 0 or 1 file.
bool WriteMidiFile(const std::string& path, bool type1, int which, SequenceFileHost& host);

// The folder the sequence dialogs start in, shared by every instance in the
// process. The first use of the menu takes it from the host's SequencePath;
// every load or save then moves it to the chosen file's folder. Any thread.
std::string SequenceFolder();
void SetSequenceFolder(const std::string& folder);
// Forgets the folder, so the next use of the menu takes SequencePath again.
void ForgetSequenceFolder();

// The folder part of a path, without a trailing separator ("/" for the root,
// empty when the path has no folder).
std::string FolderOfPath(const std::string& path);
