#pragma once
// Standard MIDI Files (type 0 and type 1) for Seq A and Seq B.
//
// Written files hold the sequence's events as they are stored, every event with
// its own status byte, and the loop length as the delta time of the
// end-of-track event; the reader takes it back from there. Other programs
// therefore see each track end one loop length after its last event.
//
// The reader accepts files of other programs: it keeps note-on and note-off
// messages on MIDI channels 1 to 6, takes the tempo and the time signature,
// skips everything else without losing time, and follows running status. A
// note-on of velocity 0 is kept as it is (the engine takes it as a note-off).
//
// None of these functions touch the plug-in's sequences or take its lock; the
// sequence-file commands (SequenceFileCommands.h) do that. Any thread.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class Sequence;

// Builds the complete file in memory. Events that are not channel messages are
// left out; program change and channel pressure get their one data byte.
void BuildMidiFile(const Sequence& sequence, bool type1, std::vector<uint8_t>& file);

// False when the path is empty, the file cannot be created, or not all of it
// could be written.
bool WriteMidiFile(const std::string& path, bool type1, const Sequence& sequence);
// Writes a built file. False when the file cannot be created or not all of it was written.
bool WriteBytesToFile(const std::string& path, const std::vector<uint8_t>& bytes);

struct MidiFileReadResult {
  // The header was accepted, so the sequence now holds what was read (which is
  // all of the file when `complete` is set). Before that it is untouched.
  bool headerAccepted = false;
  // Every announced track chunk was read up to its end-of-track event.
  bool complete = false;
};

// Reads a file into `sequence`. Once the header passes its checks, `sequence`
// is cleared (length 0, no events, no flags) and takes the file's division as
// its ppq (a file timed in frames a second is read as if at 120 BPM); its
// tempo and bar length change only where the file sets them.
// After each track the loop length (the longest any track gave so far) is
// rounded up to the next whole bar (strictly after it) of the longest time
// signature seen so far.
MidiFileReadResult ReadMidiData(const uint8_t* data, size_t size, Sequence& sequence);
MidiFileReadResult ReadMidiFile(const std::string& path, Sequence& sequence);
