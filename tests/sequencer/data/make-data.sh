#!/usr/bin/env bash
# Regenerates the MIDI files that other programs wrote for the reader tests:
# mido (python3-mido) and csvmidi (midicsv). The files are kept in the tree so
# the tests run without the tools; the expected events are in the tests.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"

/usr/bin/python3 - <<'PY'
import mido
# Type 1 at 96 ticks per quarter: a conductor track with tempo 100 BPM and 3/4,
# then one track mixing channels. mido writes running status and, here,
# note-on with velocity 0 for the note-offs.
f = mido.MidiFile(type=1, ticks_per_beat=96)
conductor = mido.MidiTrack()
conductor.append(mido.MetaMessage('set_tempo', tempo=600000, time=0))
conductor.append(mido.MetaMessage('time_signature', numerator=3, denominator=4, time=0))
conductor.append(mido.MetaMessage('end_of_track', time=0))
f.tracks.append(conductor)
notes = mido.MidiTrack()
notes.append(mido.MetaMessage('track_name', name='mixed', time=0))
notes.append(mido.Message('program_change', channel=0, program=5, time=0))
notes.append(mido.Message('note_on', channel=0, note=60, velocity=100, time=0))
notes.append(mido.Message('note_on', channel=9, note=36, velocity=90, time=0))     # drums: skipped
notes.append(mido.Message('control_change', channel=0, control=7, value=100, time=24))  # skipped, keeps its time
notes.append(mido.Message('note_on', channel=0, note=60, velocity=0, time=24))   # 48: note end as velocity 0
notes.append(mido.Message('note_on', channel=9, note=36, velocity=0, time=0))
notes.append(mido.Message('pitchwheel', channel=1, pitch=1000, time=10))          # 58: skipped
notes.append(mido.Message('note_on', channel=1, note=64, velocity=80, time=38))  # 96
notes.append(mido.Message('note_on', channel=6, note=70, velocity=80, time=0))   # channel 7: skipped
notes.append(mido.Message('note_on', channel=1, note=67, velocity=81, time=0))   # 96, running status
notes.append(mido.Message('aftertouch', channel=1, value=50, time=5))             # 101: skipped
notes.append(mido.Message('note_on', channel=1, note=64, velocity=0, time=91))   # 192
notes.append(mido.Message('note_on', channel=1, note=67, velocity=0, time=0))    # 192
notes.append(mido.Message('note_off', channel=6, note=70, velocity=0, time=0))
notes.append(mido.Message('note_on', channel=5, note=48, velocity=127, time=95))  # 287 -> 286
notes.append(mido.Message('note_off', channel=5, note=48, velocity=64, time=100)) # 387 -> 386
notes.append(mido.MetaMessage('end_of_track', time=0))
f.tracks.append(notes)
f.save('mido-type1-running-status.mid')
PY

# Type 0 at 480 ticks per quarter in 6/8, written by csvmidi; the end of the
# track lies 960 ticks after the last note, which is how our own files carry
# the loop length.
cat > csvmidi-type0.csv <<'CSV'
0, 0, Header, 0, 1, 480
1, 0, Start_track
1, 0, Time_signature, 6, 3, 24, 8
1, 0, Tempo, 400000
1, 0, Note_on_c, 0, 72, 100
1, 240, Note_on_c, 0, 72, 0
1, 240, Note_on_c, 2, 76, 90
1, 480, Control_c, 2, 64, 127
1, 720, Note_off_c, 2, 76, 0
1, 720, Note_on_c, 3, 79, 70
1, 1440, Note_on_c, 3, 79, 0
1, 2400, End_track
0, 0, End_of_file
CSV
csvmidi csvmidi-type0.csv csvmidi-type0.mid
rm csvmidi-type0.csv
